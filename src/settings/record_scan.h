// Comma-separated records in one settings key: scanning with "%[^,]" formats
// into text fields, the maximum length of each field, and the value that a
// field takes when a shorter stored record does not reach it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/cstring.h"
#include "settings/profile_access.h"

namespace cmd::settings {

// One field of a scanned record.
struct FieldRule {
  const char16_t* fallback;  // its value in the default record ("0" where that has none)
  int maxLength;             // a longer field is cut to this many characters
};

// A record kept in one key and read by scanning it.
template <std::size_t N>
struct ScannedRecord {
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;         // the default record, for a missing key
  int bufferSize;              // a longer stored record is cut to bufferSize - 1
  const char16_t* scanFormat;  // N "%[^,]" items separated by commas
  std::array<FieldRule, N> fields;
};

// The fields of a record as read.
template <std::size_t N>
struct RecordFields {
  std::array<CString, N> text;
  int scanned = 0;  // fields the scan filled; the others hold their fallback

  int Int(std::size_t i) const { return _wtoi(text[i].GetString()); }
  double Double(std::size_t i) const { return _wtof(text[i].GetString()); }
  // Stores field i as an integer through a caller's pointer (null: ignored).
  void StoreInt(std::size_t i, int* out) const {
    if (out) *out = Int(i);
  }
};

namespace detail {
template <std::size_t N, std::size_t... I>
int ScanInto(const CString& value, const char16_t* format, std::array<CString, N>& text,
             std::index_sequence<I...>) {
  return swscanf(value.GetString(), format, &text[I]...);
}
}  // namespace detail

// Scans a record's text. Scanning stops at the first empty or missing field
// ("1,,3" gives one field); the fields it does not reach take the value of
// the same field of the default record; every field is cut to its maximum.
template <std::size_t N>
RecordFields<N> ScanRecordText(const CString& value, const ScannedRecord<N>& record) {
  RecordFields<N> fields;
  const int n = detail::ScanInto(value, record.scanFormat, fields.text,
                                 std::make_index_sequence<N>());
  fields.scanned = std::clamp(n, 0, static_cast<int>(N));
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<int>(i) >= fields.scanned) {
      fields.text[i] = record.fields[i].fallback;
    } else if (fields.text[i].GetLength() > record.fields[i].maxLength) {
      fields.text[i] = fields.text[i].Left(record.fields[i].maxLength);
    }
  }
  return fields;
}

// Reads a record's key from a settings file and scans it.
template <std::size_t N>
RecordFields<N> ReadRecord(const CString& file, const ScannedRecord<N>& record) {
  return ScanRecordText(
      ReadText(file, record.section, record.key, record.def, record.bufferSize), record);
}

}  // namespace cmd::settings
