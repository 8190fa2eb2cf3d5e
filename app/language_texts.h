// The user-visible texts in English, German and Spanish (UTF-8).
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
  txtColComputer,
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
  txtManyScanning,
  txtManyFinished,
  txtManyFinishedAll,
  txtManyStopped,
  txtManyFailuresHeading,
  txtManyFailureLine,
  txtManyMoreFailures,
  txtManyTooMany,
  txtManyNoFileName,
  txtManyFileUnreadable,
  txtManyFileEmpty,
  TextIdCount
};

constexpr int LanguageCount = 3;  // 0 English, 1 German, 2 Spanish

// One row of the table: the identifier it is written for, then its texts in language order.
struct TextRow {
  TextId id;
  const char* texts[LanguageCount];
  constexpr const char* operator[](std::int32_t language) const { return texts[language]; }
};

extern const TextRow LanguageTexts[TextIdCount];

// LanguageTexts[id][language]; a language outside the table reads English.
const char* LookupText(TextId id, std::int32_t language);

}  // namespace orvel
