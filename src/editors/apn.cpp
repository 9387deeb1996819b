#include "editors/apn.h"

#include <algorithm>

#include "editors/field_helpers.h"

std::string ApnToText(const TApnTriple& apn) {
  return "\"" + apn.Apn + "\",\"" + apn.User + "\",\"" + apn.Pass + "\"";
}

TApnTriple ApnFromText(std::string_view text) {
  std::string bare(text);
  bare.erase(std::remove(bare.begin(), bare.end(), '"'), bare.end());
  return {GetDelimitedField(bare, 1, ','), GetDelimitedField(bare, 2, ','),
          GetDelimitedField(bare, 3, ',')};
}
