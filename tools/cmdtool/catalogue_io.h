// The catalogue as an exchange file: JSON or CSV.
//
// JSON: {"trade": "電気", "level1": [...], "level2": [...], "level3": [...]},
// one object per entry, in the order of the master files:
//   level1: {"code", "name", "flag"}
//   level2: {"level1", "code", "name", "attributes": [5], "values": [3]}
//   level3: {"level1", "level2", "code", "drawing_code", "class_mark",
//            "use_mark", "name", "text2", "text3", "short_text",
//            "amounts": [7], "factors": [5], "closing_text"}
// CSV: one header row, then one row per entry with the entry's level in the
// first column (all level-1 rows, then level 2, then level 3); the columns
// that do not apply to a level are empty. Factors are decimals with at most
// three places (0.035), amounts whole numbers.
//
// Encoding: the readers take UTF-8. An exchange file on disk may also be code
// page 932 (what a Japanese spreadsheet program saves as "CSV" by default);
// DecodeExchangeFile turns either into UTF-8 before it is read, so that every
// message quotes the file's text as it is. Export writes UTF-8, or for a
// spreadsheet program code page 932 with CR LF line ends.
//
// Readers check every field as they go and name the place of a problem
// ("catalogue.csv:12: ...", "catalogue.json: level3[4]: ..."); the
// structural checks follow in CheckCatalogue.
#pragma once

#include <string>
#include <string_view>

#include "catalogue.h"

namespace cmdtool {

enum class ExchangeFormat { Json, Csv };

// How an exchange file's bytes are taken: found out (a UTF-8 byte-order mark
// or valid UTF-8 is UTF-8, anything else code page 932), or as given.
enum class FileEncoding { Detect, Utf8, Cp932 };

// "utf-8" / "cp932" (or "" for Detect); throws Failure for anything else.
FileEncoding ParseFileEncoding(const std::string& name);
// The file's text as UTF-8 without a byte-order mark. Invalid UTF-8 in a file
// taken as UTF-8 reads as replacement characters.
std::string DecodeExchangeFile(std::string_view bytes, FileEncoding encoding);
// UTF-8 text as a code page 932 file with CR LF line ends; throws Failure
// naming the first character that code page 932 cannot hold (`name` is the
// file's name for the message).
std::string EncodeCp932File(std::string_view utf8, const std::string& name);

std::string CatalogueToJson(const Catalogue& c, const Trade& trade);
std::string CatalogueToCsv(const Catalogue& c);

// `name` is the file's name for messages.
Catalogue CatalogueFromJson(std::string_view text, const std::string& name);
Catalogue CatalogueFromCsv(std::string_view text, const std::string& name);

}  // namespace cmdtool
