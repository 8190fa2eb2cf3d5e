#include "../app/form1.h"

namespace orvel {

void TForm1::StartButtonClick(TObject* /*sender*/) {}

void TForm1::PcEditKeyDown(TObject* sender, std::uint16_t& key, TShiftState /*shift*/) {
  if (key == 13) StartButtonClick(sender);
}

}  // namespace orvel
