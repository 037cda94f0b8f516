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
// Message n with its "%d" filled with `number` in decimal.
QString Message(int n, int number);

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
    kMsgReadPageFailed = 13,  // "%d": the page or read number
    kMsgInputKey8 = 14,
    kMsgCheckSuccess = 15,
    kMsgInputLock4 = 16,
    kMsgLockSuccess = 17,
    kMsgInputSignature6 = 18,
    kMsgCountSuccess = 19,
    kMsgReadBlockFailed = 20,  // "%d": the block number
    kMsgConfirmLockBlock = 21,
    kMsgLockBlockSuccess = 22,
    kMsgReadUidSuccess = 23,
    kMsgResetSuccess = 24,
    kMsgCosCommandTooShort = 25,
    kMsgSendSuccess = 26,
    kMsgInputDesKey = 27,
    kMsgDesDataLength = 28,
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
