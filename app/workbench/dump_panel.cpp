#include "workbench/dump_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

#include "common/accessible_caption.h"
#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "workbench/access_bits_editor.h"
#include "workbench/block_meaning.h"
#include "workbench/byte_colours.h"
#include "workbench/dump_document.h"
#include "workbench/dump_models.h"
#include "workbench/hex_bytes_delegate.h"
#include "workbench/value_block_editor.h"

namespace tilvane {

namespace {

constexpr int kNoBlock = -2;

QPushButton *Button(const QString &caption, const char *name, QWidget *parent) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel *WrappedLabel(const char *name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

}  // namespace

DumpPanel::DumpPanel(DumpDocument &document, QWidget *parent)
    : QWidget(parent),
      document_(document),
      section_model_(new SectionListModel(document, this)),
      block_model_(new BlockTableModel(document, this)),
      access_model_(std::make_unique<AccessBitsEditor>()) {
    setObjectName(QStringLiteral("dumpPanel"));
    auto *layout = new QGridLayout(this);
    layout->addWidget(BuildSections(), 0, 0, 2, 1);
    layout->addWidget(BuildBlocks(), 0, 1);
    auto *editors = new QWidget(this);
    auto *editor_row = new QHBoxLayout(editors);
    editor_row->setContentsMargins(0, 0, 0, 0);
    editor_row->addWidget(BuildBytesEditor());
    editor_row->addWidget(BuildValueEditor());
    layout->addWidget(editors, 1, 1);
    layout->addWidget(BuildAccessEditor(), 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);

    connect(&document_, &DumpDocument::replaced, this, &DumpPanel::DumpReplaced);
    // A change to one block can change what others mean (a trailer's access
    // bits, a lock byte): the chosen block is shown afresh.
    connect(&document_, &DumpDocument::block_changed, this, &DumpPanel::BlockChosen);
    DumpReplaced();
}

DumpPanel::~DumpPanel() = default;

QWidget *DumpPanel::BuildSections() {
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    sections_ = new QListView(box);
    sections_->setObjectName(QStringLiteral("sectionList"));
    sections_->setModel(section_model_);
    sections_->setSelectionMode(QAbstractItemView::SingleSelection);
    sections_->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("Blocks 112-127 (16 of 16 read)")) / 2);
    layout->addWidget(CaptionLabel(QStringLiteral("&Sectors"), sections_, box));
    layout->addWidget(sections_, 1);
    connect(sections_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { SectionChosen(current.row()); });
    return box;
}

QWidget *DumpPanel::BuildBlocks() {
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableView(box);
    table_->setObjectName(QStringLiteral("blockTable"));
    table_->setModel(block_model_);
    SetUpBlockTable(*table_, {BlockTableModel::kBytesColumn});
    table_->setMinimumHeight(table_->verticalHeader()->defaultSectionSize() * 6);
    auto *caption = CaptionLabel(QStringLiteral("&Blocks"), table_, box);
    caption->setObjectName(QStringLiteral("blockCaption"));
    layout->addWidget(caption);
    layout->addWidget(table_, 1);
    layout->addWidget(MakeLegend(box));
    auto *access_caption = new QLabel(QStringLiteral("Access conditions:"), box);
    access_words_ = WrappedLabel("accessWords", box);
    access_words_->setAccessibleName(QStringLiteral("Access conditions"));
    layout->addWidget(access_caption);
    layout->addWidget(access_words_);
    connect(block_model_, &QAbstractItemModel::modelReset, this, [this] {
        if (block_model_->rowCount() > 0) table_->setCurrentIndex(block_model_->index(0, 0));
        BlockChosen();
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &DumpPanel::BlockChosen);
    return box;
}

QWidget *DumpPanel::BuildBytesEditor() {
    auto *group = new QGroupBox(QStringLiteral("Block bytes"), this);
    group->setObjectName(QStringLiteral("bytesGroup"));
    auto *layout = new QGridLayout(group);
    bytes_.hex = new CHexEdit(group);
    bytes_.hex->setObjectName(QStringLiteral("blockHex"));
    bytes_.hex->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    bytes_.hex->setMinimumWidth(
        QFontMetrics(bytes_.hex->font()).horizontalAdvance(QString(33, u'0')));
    bytes_.apply = Button(QStringLiteral("Apply &Bytes"), "applyBytes", group);
    bytes_.caption = CaptionLabel(QStringLiteral("He&x bytes"), bytes_.hex, group);
    layout->addWidget(bytes_.caption, 0, 0);
    layout->addWidget(bytes_.hex, 0, 1);
    layout->addWidget(bytes_.apply, 1, 1, Qt::AlignRight);
    layout->setRowStretch(2, 1);
    connect(bytes_.apply, &QPushButton::clicked, this, &DumpPanel::ApplyBytes);
    connect(bytes_.hex, &QLineEdit::returnPressed, this, &DumpPanel::ApplyBytes);
    return group;
}

QWidget *DumpPanel::BuildValueEditor() {
    auto *group = new QGroupBox(QStringLiteral("Value block"), this);
    group->setObjectName(QStringLiteral("valueGroup"));
    auto *layout = new QGridLayout(group);
    value_.value = new QSpinBox(group);
    value_.value->setObjectName(QStringLiteral("valueAmount"));
    value_.value->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    value_.address = new QSpinBox(group);
    value_.address->setObjectName(QStringLiteral("valueAddress"));
    value_.address->setRange(0, 255);
    value_.address->setDisplayIntegerBase(16);
    value_.address->setPrefix(QStringLiteral("0x"));
    value_.layout = WrappedLabel("valueLayout", group);
    value_.note = WrappedLabel("valueNote", group);
    value_.apply = Button(QStringLiteral("Make &Value Block"), "applyValue", group);
    layout->addWidget(CaptionLabel(QStringLiteral("V&alue"), value_.value, group), 0, 0);
    layout->addWidget(value_.value, 0, 1);
    layout->addWidget(CaptionLabel(QStringLiteral("A&ddress"), value_.address, group), 1, 0);
    layout->addWidget(value_.address, 1, 1);
    layout->addWidget(value_.layout, 2, 0, 1, 2);
    layout->addWidget(value_.note, 3, 0, 1, 2);
    layout->addWidget(value_.apply, 4, 1, Qt::AlignRight);
    layout->setRowStretch(5, 1);
    connect(value_.value, &QSpinBox::valueChanged, this, &DumpPanel::ShowValueLayout);
    connect(value_.address, &QSpinBox::valueChanged, this, &DumpPanel::ShowValueLayout);
    connect(value_.apply, &QPushButton::clicked, this, &DumpPanel::ApplyValue);
    return group;
}

QWidget *DumpPanel::BuildAccessEditor() {
    auto *group = new QGroupBox(QStringLiteral("Access bits of the sector"), this);
    group->setObjectName(QStringLiteral("accessGroup"));
    auto *layout = new QGridLayout(group);
    for (int index = 0; index < AccessBitsEditor::kGroups; ++index) {
        QComboBox *&list = access_.groups[index];
        list = new QComboBox(group);
        list->setObjectName(QStringLiteral("accessGroup%1").arg(index));
        // The rights are long: the list shows them whole, the box what fits.
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(24);
        for (const AccessBitsEditor::Choice &choice : AccessBitsEditor::Choices(index)) {
            list->addItem(choice.text, choice.condition);
            list->setItemData(list->count() - 1, choice.text, Qt::ToolTipRole);
        }
        access_.labels[index] = CaptionLabel(access_model_->GroupLabel(index), list, group);
        layout->addWidget(access_.labels[index], index, 0);
        layout->addWidget(list, index, 1);
        connect(list, &QComboBox::currentIndexChanged, this, &DumpPanel::ShowAccessChoice);
    }
    access_.bytes = WrappedLabel("accessBytes", group);
    access_.warnings = WrappedLabel("accessWarnings", group);
    access_.apply = Button(QStringLiteral("Apply Access Bi&ts"), "applyAccess", group);
    layout->addWidget(access_.bytes, AccessBitsEditor::kGroups, 0, 1, 2);
    layout->addWidget(access_.warnings, AccessBitsEditor::kGroups + 1, 0, 1, 2);
    layout->addWidget(access_.apply, AccessBitsEditor::kGroups + 2, 1, Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    connect(access_.apply, &QPushButton::clicked, this, &DumpPanel::ApplyAccess);
    return group;
}

int DumpPanel::current_block() const {
    const QModelIndex current = table_->currentIndex();
    return current.isValid() ? block_model_->BlockAt(current.row()) : kNoBlock;
}

void DumpPanel::SelectBlock(int block) {
    const int section = SectionOf(section_model_->sections(), block);
    if (section < 0) return;
    sections_->setCurrentIndex(section_model_->index(section));
    const int row = block_model_->RowOf(block);
    if (row >= 0) table_->setCurrentIndex(block_model_->index(row, 0));
}

void DumpPanel::DumpReplaced() {
    const bool has_dump = document_.has_dump();
    setEnabled(has_dump);
    if (has_dump && section_model_->rowCount() > 0) {
        sections_->setCurrentIndex(section_model_->index(0));
        SectionChosen(0);
    } else {
        SectionChosen(-1);
    }
}

void DumpPanel::SectionChosen(int section) {
    if (section == block_model_->section()) return;
    block_model_->ShowSection(section);
    const auto &sections = section_model_->sections();
    const QString title = section >= 0 && section < static_cast<int>(sections.size())
                              ? sections[static_cast<std::size_t>(section)].title
                              : QString();
    table_->setAccessibleName(title.isEmpty() ? QStringLiteral("Blocks")
                                              : QStringLiteral("Blocks of %1").arg(title));
    table_->resizeColumnsToContents();
}

void DumpPanel::BlockChosen() {
    const int block = current_block();
    const bool chosen = block != kNoBlock && document_.has_dump();
    bytes_.hex->setEnabled(chosen);
    bytes_.apply->setEnabled(chosen);
    if (!chosen) {
        bytes_.hex->clear();
        access_words_->clear();
        value_.apply->setEnabled(false);
        ShowAccessEditor(kNoBlock);
        return;
    }
    const cardkit::CardDump &dump = document_.dump();
    const int size = BlockSize(dump, block);
    bytes_.hex->SetLimitBytes(size);
    // Unknown bytes stand as 00; applying the box makes the whole block known.
    const bool unknown =
        block == kSystemBlockRow ? !dump.system_block().has_value() : dump.block_unknown(block);
    if (unknown) {
        bytes_.hex->clear();
    } else {
        bytes_.hex->setText(BytesToHex(BlockBytes(dump, block)));
    }
    // The box is named after the block it holds.
    const QString caption =
        QStringLiteral("He&x bytes of %1").arg(BlockLabel(dump, block).toLower());
    bytes_.caption->setText(caption);
    NameAfterCaption(bytes_.hex, caption);
    const QStringList access = AccessInWords(dump, block);
    access_words_->setText(access.isEmpty() ? DescribeBlock(dump, block).meaning
                                            : access.join(u'\n'));

    const ValueDraft draft = ValueDraftFor(dump, block);
    value_.apply->setEnabled(draft.applicable);
    value_.value->setEnabled(draft.applicable);
    value_.address->setEnabled(draft.applicable);
    if (draft.applicable) {
        const QSignalBlocker block_value(value_.value);
        const QSignalBlocker block_address(value_.address);
        value_.value->setValue(draft.value);
        value_.address->setValue(draft.address);
        value_.note->setText(draft.rights.isEmpty()
                                 ? QStringLiteral("The sector's access conditions are unknown.")
                                 : QStringLiteral("The card allows %1.").arg(draft.rights));
    } else {
        value_.note->setText(draft.why_not);
    }
    ShowValueLayout();
    ShowAccessEditor(block);
}

void DumpPanel::ShowValueLayout() {
    if (!value_.apply->isEnabled()) {
        value_.layout->clear();
        return;
    }
    value_.layout->setText(
        QStringLiteral("Bytes: %1")
            .arg(ValueBlockLayout(value_.value->value(),
                                  static_cast<std::uint8_t>(value_.address->value()))));
}

void DumpPanel::ShowAccessEditor(int block) {
    const bool mifare = document_.has_dump() &&
                        document_.dump().family() == cardkit::CardFamily::MifareClassic &&
                        block >= 0;
    access_.apply->parentWidget()->setVisible(mifare || !document_.has_dump());
    access_.apply->parentWidget()->setEnabled(mifare);
    if (!mifare) {
        access_sector_ = -1;
        return;
    }
    access_sector_ = cardkit::sector_of_block(block);
    access_model_ = std::make_unique<AccessBitsEditor>(cardkit::blocks_in_sector(access_sector_));
    access_model_->Load(document_.dump().access_bits(access_sector_));
    for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
        const QSignalBlocker blocker(access_.groups[group]);
        access_.labels[group]->setText(access_model_->GroupLabel(group));
        NameAfterCaption(access_.groups[group], access_model_->GroupLabel(group));
        access_.groups[group]->setCurrentIndex(
            access_model_->access().groups[static_cast<std::size_t>(group)]);
    }
    static_cast<QGroupBox *>(access_.apply->parentWidget())
        ->setTitle(QStringLiteral("Access bits of sector %1").arg(access_sector_));
    ShowAccessChoice();
}

void DumpPanel::ShowAccessChoice() {
    if (access_sector_ < 0) return;
    for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
        access_model_->Set(group, static_cast<cardkit::AccessCondition>(
                                      access_.groups[group]->currentData().toInt()));
    }
    access_.bytes->setText(
        QStringLiteral("Trailer bytes 6 to 8: %1").arg(access_model_->BytesText()));
    const QStringList warnings = access_model_->Warnings();
    access_.warnings->setText(
        warnings.isEmpty() ? QString() : QStringLiteral("Warning: ") + warnings.join(u' '));
}

void DumpPanel::ApplyBytes() {
    const int block = current_block();
    if (block == kNoBlock || !document_.has_dump()) return;
    const int size = BlockSize(document_.dump(), block);
    const auto bytes = ExactHexBytes(bytes_.hex, size);
    const QString label = BlockLabel(document_.dump(), block);
    if (!bytes) {
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("%1 takes exactly %2 bytes: %3 hex digits")
                         .arg(label)
                         .arg(size)
                         .arg(2 * size));
        return;
    }
    document_.SetBlock(block, *bytes);
    QString text = QStringLiteral("%1 changed in the dump").arg(label);
    if (document_.dump().family() == cardkit::CardFamily::MifareClassic && block >= 0 &&
        cardkit::is_trailer(block) &&
        !document_.dump().access_bits(cardkit::sector_of_block(block))) {
        text += QStringLiteral(
            "; its access bits are invalid: the card would refuse the sector, and writing it is "
            "refused");
    }
    emit outcome(StatusBand::Mark::Success, text);
}

void DumpPanel::ApplyValue() {
    const int block = current_block();
    if (block < 0 || !document_.has_dump() || !ValueDraftFor(document_.dump(), block).applicable)
        return;
    const auto bytes =
        ValueBlockBytes(value_.value->value(), static_cast<std::uint8_t>(value_.address->value()));
    document_.SetBlock(block, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const QString address =
        QString::number(value_.address->value(), 16).rightJustified(2, u'0').toUpper();
    emit outcome(StatusBand::Mark::Success,
                 QStringLiteral("Block %1 is now a value block: value %2, address %3")
                     .arg(block)
                     .arg(value_.value->value())
                     .arg(address));
}

void DumpPanel::ApplyAccess() {
    if (access_sector_ < 0) return;
    ShowAccessChoice();
    document_.SetAccessBits(access_sector_, access_model_->access());
    emit outcome(StatusBand::Mark::Success,
                 QStringLiteral("Access bits of sector %1 set to %2 in the dump")
                     .arg(access_sector_)
                     .arg(access_model_->BytesText()));
}

}  // namespace tilvane
