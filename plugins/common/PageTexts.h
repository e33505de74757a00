#pragma once
// Texts every setting page shares, with their entries under the language key
// "PLUGIN_COMMON" (message entries) and the page's own message numbers.
#include <string_view>

#include "platform/ui/Messages.h"

inline constexpr int kMsgApplied = 0;        // "Settings were changed successfully."
inline constexpr int kMsgApplyFailed = 1;    // "Failed to change settings."
inline constexpr int kMsgApplyQuestion = 3;
inline constexpr int kMsgNoAnswer = 4;
inline constexpr int kMsgPortInUse = 5;
inline constexpr int kMsgNotTaken = 6;
inline constexpr int kMsgApplyButton = 7;
inline constexpr int kMsgResetButton = 8;
inline constexpr int kMsgSentNoAnswer = 9;
inline constexpr int kMsgSentInUse = 10;

inline constexpr std::u16string_view kDefaultApplyQuestion = u"Apply the changed settings?";
inline constexpr std::u16string_view kDefaultNoAnswerText =
    u"The printer does not answer. The settings were not changed.";
inline constexpr std::u16string_view kDefaultPortInUseText =
    u"The printer is in use by another program. The settings were not changed.";
inline constexpr std::u16string_view kDefaultNotTakenText = u"The printer did not take these settings:";
inline constexpr std::u16string_view kDefaultSentNoAnswerText =
    u"The settings were sent, but the printer did not answer after its restart. Its settings are read again when "
    u"it answers.";
inline constexpr std::u16string_view kDefaultSentInUseText =
    u"The settings were sent, but the printer is now in use by another program. Its settings are read again when "
    u"it answers.";
inline constexpr std::u16string_view kDefaultApplyButton = u"&Apply";
inline constexpr std::u16string_view kDefaultResetButton = u"&Reset";

// The common message (CMN_MSG) for a printer the program may not talk to now (offline,
// or another job running).
inline constexpr int kCommonMsgCannotCommunicate = 0;
inline constexpr std::u16string_view kDefaultCannotCommunicateText = u"Cannot communicate with the printer.";

// Posted to a page when its block was read from the printer again.
inline constexpr unsigned kPageReloadMessage = plat::WM_USER + 300;
