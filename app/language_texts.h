// The user-visible texts in English, German and Spanish (code page 1252 bytes).
#pragma once

#include <cstdint>

namespace orvel {

enum TextId : int {
  txtTitle,
  txtHintTitle,
  txtHintBody,
  txtUserCaption,
  txtPasswordCaption,
  txtColProcess,
  txtColFolder,
  txtColProcessId,
  txtColParentPid,
  txtColRam,
  txtColCpuTime,
  txtColPriority,
  txtScanNow,
  txtProcessCount,
  txtErrorHeading,
  txtErrorCaption,
  txtErrorHint,
  txtStarting,
  txtConnectingTo,
  txtChooseComputer,
  txtSelectProcess,
  txtMenuCopy,
  txtMenuCopyAll,
  txtMenuLookUp,
  txtMenuEndProcess,
  txtEndQuestion,
  txtEndScanFirst,
  txtEndGone,
  txtEndFailed,
  txtEndAccessDenied,
  txtEndNoPrivilege,
  txtEndUnknownFailure,
  txtEndPathNotFound,
  txtEndInvalidParameter,
  txtEndReturnValue,
  txtProcessListName,
  txtBrowseName,
  TextIdCount
};

constexpr int LanguageCount = 3;  // 0 English, 1 German, 2 Spanish

extern const char* const LanguageTexts[TextIdCount][LanguageCount];

// LanguageTexts[id][language]; a language outside the table reads English.
const char* LookupText(TextId id, std::int32_t language);

}  // namespace orvel
