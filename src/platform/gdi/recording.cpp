// The recording back-end: deterministic font metrics, every call kept.
#include <algorithm>

#include "platform/gdi/internal.h"

namespace cmd::gdi {

int FixedFontEngine::CellHeight(const LOGFONTW& lf) {
  if (lf.lfHeight > 0) return lf.lfHeight;
  if (lf.lfHeight < 0) return lf.lfHeight == INT32_MIN ? INT32_MAX : -lf.lfHeight;
  return 16;
}

long long FixedFontEngine::Advance(const LOGFONTW& lf, char16_t c) {
  // Control characters (CR and LF among them) show as nothing and take no
  // room, as on the image and printer devices.
  if (c < 0x20 || c == 0x7F) return 0;
  long long narrow = lf.lfWidth > 0 ? lf.lfWidth : CellHeight(lf) / 2;
  bool isNarrow = (c >= 0x20 && c <= 0x7E) || (c >= 0xFF61 && c <= 0xFF9F);
  return isNarrow ? narrow : 2 * narrow;
}

FontMetrics FixedFontEngine::Metrics(const LOGFONTW& lf) {
  FontMetrics m;
  m.height = CellHeight(lf);
  m.ascent = m.height - m.height / 5;
  m.descent = m.height - m.ascent;
  m.aveCharWidth = lf.lfWidth > 0 ? lf.lfWidth : m.height / 2;
  m.maxCharWidth = int(std::min<long long>(2LL * m.aveCharWidth, INT32_MAX));
  return m;
}

int FixedFontEngine::Width(const LOGFONTW& lf, std::u16string_view text) {
  long long sum = 0;
  for (char16_t c : text) sum += Advance(lf, c);
  return sum > INT32_MAX ? INT32_MAX : int(sum);
}

namespace {

class RecordingDevice : public Device {
 public:
  explicit RecordingDevice(const DeviceGeometry& g) : geometry_(g) {}
  bool Records() const override { return true; }
  bool RecordsEverything() const override { return everything_; }
  void Record(GdiOp&& op) override { ops_.push_back(std::move(op)); }
  void ClearRecord() override { ops_.clear(); }
  void SetRecordEverything(bool on) override { everything_ = on; }
  const std::vector<GdiOp>* Recorded() const override { return &ops_; }
  int Caps(int index) const override { return geometry_.Caps(index); }
  FontEngine& Fonts() override { return fonts_; }

 private:
  DeviceGeometry geometry_;
  FixedFontEngine fonts_;
  std::vector<GdiOp> ops_;
  bool everything_ = true;
};

}  // namespace

std::unique_ptr<Device> MakeRecordingDevice(const DeviceGeometry& g) {
  return std::make_unique<RecordingDevice>(g);
}

}  // namespace cmd::gdi
