#include "shell/page_factory.h"

#include "pages/at88rf020_page.h"
#include "pages/iso14443_part4_page.h"
#include "pages/iso15693_page.h"
#include "pages/mifare_classic_page.h"
#include "pages/sam_page.h"
#include "pages/sr176_page.h"
#include "pages/srix4k_page.h"
#include "pages/ultralight_page.h"
#include "shell/card_families.h"

namespace tilvane {

QWidget *CreateCardPage(int family, int template_id, AppState &state, QWidget *parent) {
    if (!IsCardFamily(family)) return nullptr;
    QWidget *page = nullptr;
    switch (family) {
        case kUltralight:
            page = new CUltralightPage(state, template_id, parent);
            break;
        case kMifareStd:
            page = new CMifareClassicPage(state, template_id, parent);
            break;
        case kAt88rf020:
            page = new CAt88rf020Page(state, template_id, parent);
            break;
        case kSr176:
            page = new CSr176Page(state, template_id, parent);
            break;
        case kSrix4k:
            page = new CSrix4kPage(state, template_id, parent);
            break;
        case kIso15693:
            page = new CIso15693Page(state, template_id, parent);
            break;
        case kMifarePro:
            page = new CIso14443Part4Page(state, template_id, parent);
            break;
        case kSam:
            page = new CSamPage(state, template_id, parent);
            break;
        default:
            page = new QWidget(parent);
            break;
    }
    page->setObjectName(
        QString::fromLatin1(kCardFamilies[static_cast<std::size_t>(family)].page_name));
    return page;
}

CPranixView::PageFactory CardPageFactory(AppState &state) {
    return [&state](int family, int template_id, QWidget *parent) {
        return CreateCardPage(family, template_id, state, parent);
    };
}

}  // namespace tilvane
