#include "common/message_table.h"

namespace tilvane {

const char *const MessageTable[2][kMessageCount] = {
    {
        "连接设备失败!",
        "操作成功!",
        "设备未连接",
        "寻卡操作成功",
        "请在密钥区输入6个字节的密钥",
        "请在数据区输入数据",
        "初始化钱包操作成功",
        "充值操作成功",
        "扣款操作成功",
        "读余额操作成功",
        "读卡操作成功",
        "你确实需要写入第3块号的数据吗?此操作有可能造成卡的不可用!",
        "写卡操作成功",
        "读Page: %d 页发生错误!",
        "请在密码区输满8个字节的密码!",
        "验证操作成功",
        "请在LOCK区输满4个字节!",
        "LOCK操作成功",
        "请在签名区输满6个字节!",
        "记数操作成功",
        "读Block: %d 页发生错误!",
        "你确定需要进行块锁定操作?",
        "块锁定操作成功",
        "读取UID成功",
        "复位操作成功",
        "cos命令不得少于5字节!",
        "发送操作成功",
        "请在密钥区需要有8或16个字节的密文",
        "数据区数据长度必需8个字节的整数倍",
        "连接操作成功",
        "读取产品信息操作成功",
        "读取设备标记操作成功",
        "请输满2个字节的设备标记",
        "写入设备标记操作成功",
        "设置蜂鸣时间操作成功",
        "设置指示灯颜色操作成功",
        "设置天线状态操作成功",
        "断开操作成功",
    },
    {
        "Connect device failed!",
        "Operation Success!",
        "Cannot connect to device",
        "Search card successfully",
        "Please input 6 bytes key",
        "Please input data in data area",
        "Initialize purse successfullly",
        "Add successfully",
        "Decrement successfully",
        "Read successfully",
        "Read card successfully",
        "Do you really write third block data?",
        "Write card successfully",
        "Read page: %d failed!",
        "Please input 8 bytes key",
        "Check operation success",
        "Please input 4 bytes in lock area!",
        "LOCK operation success",
        "Please input 6 bytes in Idiograph area!",
        "Count operation success",
        "Read Block: %d failed!",
        "Do you really need to lock block?",
        "Lock block success",
        "Read UID success",
        "Reset operation success",
        "cos command must more than 5 bytes!",
        "Send operation success",
        "Please input 8 or 16 bytes key in key area",
        "date length must be 8 multiple in data area",
        "Connect device success",
        "Read product infomation successfully",
        "Read product flag successfully",
        "Please input 2 bytes device flag",
        "Write device flag successfully",
        "Set beep time successfully",
        "Set light color successfully",
        "Set antenna status successfully",
        "Disconnect operation successfully",
    },
};

const ResultPhrases kResultPhrases[2] = {
    {" 操作成功", " ,函数: ", "操作成功"},
    {" Operation success", " ,Function: ", "Operation success"},
};

QString Message(int n) {
    if (n < 0 || n >= kMessageCount) return {};
    return QString::fromUtf8(MessageTable[kLanguageIndex][n]);
}

QString Message(int n, int number) {
    return Message(n).replace(QStringLiteral("%d"), QString::number(number));
}

}  // namespace tilvane
