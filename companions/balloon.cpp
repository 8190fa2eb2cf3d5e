#include "../app/form1.h"

namespace orvel {

void TForm1::CreateBalloonHint(const std::string&, const std::string&) {}
void TForm1::ListViewWndProc(TMessage& message) { FOldListViewProc(message); }
void TForm1::ListView1Click(TObject*) {}
void TForm1::FormDeactivate(TObject*) {}
void TForm1::FormClose(TObject*, TCloseAction&) {}
void DebugTrace(ISystem& system, const std::string& text) { system.OutputDebugStringA(text); }

}  // namespace orvel
