#include "../app/form1.h"

namespace orvel {

void TForm1::ScanProcesses(std::string, std::string, std::string, TPIArray&) {}

}  // namespace orvel
