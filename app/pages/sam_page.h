#pragma once

// The SAM page, in two independent areas. The DES area encrypts or decrypts up to
// 64 bytes on the host with an 8-byte key (DES) or a 16-byte key (triple DES); no
// reader is needed. The SAM area sets the SAM slot's rate and resets the module,
// and sends it commands typed as hex text, keeping them in the history file
// "samcosbooks.j" and adding each answer to the result list.

#include <memory>

#include "pages/card_page.h"

class QRadioButton;

namespace tilvane {

class AppState;
class CHexEdit;
class CosExchange;
class GroupFrame;
class PageBuilder;
class ResultList;

class CSamPage : public CardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IDC_DES_GROUP = 1075,
        IDC_KEY = 1056,
        IDC_KEY_2 = 1057,
        IDC_DATA = 1058,
        IDC_DES_RESULT = 1059,
        IDC_ENCRYPT = 1066,
        IDC_DECRYPT = 1067,
        IDC_SAM_GROUP = 1076,
        IDC_RATE_9600 = 1071,
        IDC_RATE_38400 = 1072,
        IDC_COMMAND = 1063,
        IDC_HISTORY = 1065,
        IDC_SEND = 1060,
        IDC_RESET = 1073,
        IDC_RESET_INFO = 1061,
        IDC_RESULT = 1074,
        IDC_CLEAR = 1068,
    };
    // Templates by screen width: 142 at 640 pixels, 140 at 800, 141 otherwise.
    enum Template : int { kCompact = 142, kMedium = 140, kLarge = 141 };

    CSamPage(AppState &state, int template_id, QWidget *parent = nullptr);
    ~CSamPage() override;

    static QString ControlName(int id);
    static inline const QString kHistoryFile = QStringLiteral("samcosbooks.j");

    const CosExchange &exchange() const { return *exchange_; }

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    struct Metrics;
    GroupFrame *BuildDes(const PageBuilder &kit, const Metrics &metrics);
    GroupFrame *BuildSam(const PageBuilder &kit, const Metrics &metrics);
    void OnDes(bool encrypt);
    void OnReset();

    AppState &state_;
    CHexEdit *key_ = nullptr;
    CHexEdit *key_2_ = nullptr;
    CHexEdit *data_ = nullptr;
    CHexEdit *des_result_ = nullptr;
    QRadioButton *rate_9600_ = nullptr;
    CHexEdit *reset_info_ = nullptr;
    std::unique_ptr<CosExchange> exchange_;
};

}  // namespace tilvane
