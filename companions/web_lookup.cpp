#include "../app/form1.h"

namespace orvel {

void TForm1::InfoButtonClick(TObject*) {}
void TForm1::GoogleButtonClick(TObject*) {}

}  // namespace orvel
