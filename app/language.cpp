#include "form1.h"

namespace orvel {

void TForm1::ChooseLanguage() { FLanguage = 0; }
void TForm1::Relabel() {}

}  // namespace orvel
