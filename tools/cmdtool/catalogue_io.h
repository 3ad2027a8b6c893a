// The catalogue as an exchange file (UTF-8): JSON or CSV.
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
// Readers check every field as they go and name the place of a problem
// ("catalogue.csv:12: ...", "catalogue.json: level3[4]: ..."); the
// structural checks follow in CheckCatalogue.
#pragma once

#include <string>
#include <string_view>

#include "catalogue.h"

namespace cmdtool {

enum class ExchangeFormat { Json, Csv };

std::string CatalogueToJson(const Catalogue& c, const Trade& trade);
std::string CatalogueToCsv(const Catalogue& c);

// `name` is the file's name for messages.
Catalogue CatalogueFromJson(std::string_view text, const std::string& name);
Catalogue CatalogueFromCsv(std::string_view text, const std::string& name);

}  // namespace cmdtool
