#pragma once

// The operator texts shared by every page, in Chinese (row 0) and English (row 1),
// and the language in use. Texts are the system's own, misspellings included.

#include <QString>

namespace tilvane {

inline constexpr int kMessageCount = 38;

// The language of every text the application shows: 0 Chinese, 1 English. Fixed.
inline constexpr int kLanguageIndex = 1;

// MessageTable[language][n] is message n.
extern const char *const MessageTable[2][kMessageCount];

// Message n in the language in use.
QString Message(int n);

// The phrases of ShowResult, per language.
struct ResultPhrases {
    const char *success_with_name;  // " Operation success"
    const char *separator;          // " ,Function: "
    const char *success;            // "Operation success"
};
extern const ResultPhrases kResultPhrases[2];

// Message numbers the shell and the pages name.
enum MessageId : int {
    kMsgConnectFailed = 0,
    kMsgOperationSuccess = 1,
    kMsgCannotConnect = 2,
    kMsgSearchCardSuccess = 3,
    kMsgInputKey6 = 4,
    kMsgInputData = 5,
    kMsgInitPurseSuccess = 6,
    kMsgAddSuccess = 7,
    kMsgDecrementSuccess = 8,
    kMsgReadBalanceSuccess = 9,
    kMsgReadCardSuccess = 10,
    kMsgWriteThirdBlock = 11,
    kMsgWriteCardSuccess = 12,
    kMsgConnectSuccess = 29,
    kMsgReadProductInfoSuccess = 30,
    kMsgReadDeviceFlagSuccess = 31,
    kMsgInputDeviceFlag = 32,
    kMsgWriteDeviceFlagSuccess = 33,
    kMsgSetBeepSuccess = 34,
    kMsgSetLightSuccess = 35,
    kMsgSetAntennaSuccess = 36,
    kMsgDisconnectSuccess = 37,
};

}  // namespace tilvane
