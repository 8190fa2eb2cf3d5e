#include "language_texts.h"

#include "web_config.h"

namespace orvel {

const char* const LanguageTexts[TextIdCount][LanguageCount] = {
    {"Orvel for Windows Networks", "Orvel for Windows Networks", "Orvel for Windows Networks"},
};

const char* LookupText(TextId id, std::int32_t language) {
  if (language < 0 || language >= LanguageCount) language = 0;
  const char* text = LanguageTexts[id][language];
  return text ? text : "";
}

}  // namespace orvel
