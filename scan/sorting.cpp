#include "../app/form1.h"

namespace orvel {

void TForm1::ListView1ColumnClick(TObject*, int) {}

}  // namespace orvel
