// A window API that records the balloon's tooltip calls with what their pointers pointed to at the time.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "platform/window_api.h"

namespace orvel::fakes {

class FakeTooltipApi : public IWindowApi {
 public:
  struct Creation {
    std::uint32_t exStyle;
    std::optional<std::string> className;
    std::optional<std::string> windowName;
    std::uint32_t style;
    int x, y, width, height;
    WindowHandle parent;
  };
  struct Placement {
    WindowHandle window, insertAfter;
    int x, y, cx, cy;
    std::uint32_t flags;
  };
  struct Message {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::string text;               // TTM_SETTITLEW: the title; TTM_ADDTOOLW: the tool's text (as UTF-8)
    std::optional<TToolInfo> tool;  // TTM_ADDTOOLW, TTM_DELTOOLW: the description as handed over
  };

  WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className, const char16_t* windowName,
                               std::uint32_t style, int x, int y, int width, int height,
                               WindowHandle parent) override {
    creations.push_back({exStyle, Optional(className), Optional(windowName), style, x, y, width, height, parent});
    log.push_back("CreateWindowExW");
    return createResult;
  }
  void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override {
    placements.push_back({window, insertAfter, x, y, cx, cy, flags});
    log.push_back("SetWindowPos " + Hex(window));
  }
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override {
    Message sent{window, message, wParam, lParam, {}, std::nullopt};
    if (message == 0x421 && lParam) sent.text = utf::ToUtf8(reinterpret_cast<const char16_t*>(lParam));
    if ((message == 0x432 || message == 0x433) && lParam) {
      sent.tool = *reinterpret_cast<const TToolInfo*>(lParam);
      if (message == 0x432 && sent.tool->lpszText) sent.text = utf::ToUtf8(sent.tool->lpszText);
    }
    messages.push_back(sent);
    log.push_back("SendMessageW " + Hex(window) + " " + Hex(message) + " " + std::to_string(wParam) +
                  (message == 0x403 ? " " + std::to_string(lParam) : ""));
    return 0;
  }
  void ShowWindow(WindowHandle window, int command) override {
    log.push_back("ShowWindow " + Hex(window) + " " + std::to_string(command));
  }
  void DestroyWindow(WindowHandle window) override { log.push_back("DestroyWindow " + Hex(window)); }

  // The last message of this identifier, or nullptr.
  const Message* Last(std::uint32_t message) const {
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
      if (it->message == message) return &*it;
    return nullptr;
  }

  static std::string Hex(std::uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
  }

  WindowHandle createResult = 0x7000;  // 0: the tooltip cannot be created
  std::vector<Creation> creations;
  std::vector<Placement> placements;
  std::vector<Message> messages;
  std::vector<std::string> log;  // every call in order, in short

 private:
  static std::optional<std::string> Optional(const char16_t* text) {
    return text ? std::optional<std::string>(utf::ToUtf8(text)) : std::nullopt;
  }
};

}  // namespace orvel::fakes
