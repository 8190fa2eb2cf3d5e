#include "../app/form1.h"

namespace orvel {

void TForm1::DirButtonClick(TObject*) {}

}  // namespace orvel
