#include "UI/JXSettingsDialog.h"

#include "JXUtils/JXConfigure.h"

#include <QComboBox>
#include <QLabel>

namespace {
const char kBuildDate[] = "20240319";
// Language codes by the language box's row.
const char *const kLanguageCodes[] = {"en", "cn"};
constexpr int kEnglish = 0;
constexpr int kChinese = 1;
constexpr int kHardwareOn = 0;
constexpr int kHardwareOff = 1;
constexpr int kComboFontPixels = 12;

constexpr int kDialogWidth = 400;
constexpr int kDialogHeight = 200;
// Four rows (version, build date, language, hardware), each a caption in the left half
// and its value or choice box in the right half.
constexpr int kFirstRowTop = 30;
constexpr int kRowStep = 40;
constexpr int kRowHeight = 30;
constexpr int kComboWidth = 100;
constexpr int kComboHeight = 20;
// A choice box sits centred in the height of its row.
constexpr int kComboDrop = (kRowHeight - kComboHeight) / 2;
// The design puts the hardware caption one pixel right of the other captions; kept so.
constexpr int kHardwareCaptionX = 1;

constexpr int rowTop(int row)
{
    return kFirstRowTop + row * kRowStep;
}

QString caption(const char *word)
{
    return QStringLiteral("%1 : ").arg(translate(QString::fromLatin1(word)));
}

QLabel *newLabel(QWidget *parent, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setAlignment(alignment);
    return label;
}

// The choice boxes are kComboHeight high; a font that fits keeps descenders inside them.
void fitTextToRow(QComboBox *box)
{
    QFont font = box->font();
    font.setPixelSize(kComboFontPixels);
    box->setFont(font);
}
} // namespace

JXSettingsDialog::JXSettingsDialog(QWidget *parent)
    : JXDialog(parent), versionCaption(newLabel(this, Qt::AlignRight | Qt::AlignVCenter)),
      versionValue(newLabel(this, Qt::AlignLeft | Qt::AlignVCenter)),
      buildDateCaption(newLabel(this, Qt::AlignRight | Qt::AlignVCenter)),
      buildDateValue(newLabel(this, Qt::AlignLeft | Qt::AlignVCenter)),
      languageCaption(newLabel(this, Qt::AlignRight | Qt::AlignVCenter)),
      languageCombo(new QComboBox(this)),
      hardwareCaption(newLabel(this, Qt::AlignRight | Qt::AlignVCenter)),
      hardwareCombo(new QComboBox(this))
{
    buildDateValue->setText(QString::fromLatin1(kBuildDate));
    languageCombo->addItems({QString(), QString()});
    hardwareCombo->addItems({QString(), QString()});
    fitTextToRow(languageCombo);
    fitTextToRow(hardwareCombo);
    setTexts();
    connect(languageCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &JXSettingsDialog::onLanguageChanged);
    connect(hardwareCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &JXSettingsDialog::onHardwareChanged);

    // The box shows the language start-up loaded for the stored value: English only for
    // "en", Chinese for anything else.
    JXConfigure configure;
    const bool english =
        configure.language().compare(QLatin1String("en"), Qt::CaseInsensitive) == 0;
    languageCombo->setCurrentIndex(english ? kEnglish : kChinese);
    hardwareCombo->setCurrentIndex(configure.hardwareDecoding() ? kHardwareOn : kHardwareOff);
    resize(kDialogWidth, kDialogHeight);
}

void JXSettingsDialog::setTexts()
{
    versionCaption->setText(caption("System Version"));
    versionValue->setText(QStringLiteral("%1 LanKit").arg(QStringLiteral(LANKIT_VERSION)));
    buildDateCaption->setText(caption("Build Date"));
    languageCaption->setText(caption("Language"));
    hardwareCaption->setText(caption("Hardware"));
    languageCombo->setItemText(kEnglish, translate(QStringLiteral("English")));
    languageCombo->setItemText(kChinese, translate(QStringLiteral("Chinese")));
    hardwareCombo->setItemText(kHardwareOn, translate(QStringLiteral("On")));
    hardwareCombo->setItemText(kHardwareOff, translate(QStringLiteral("Off")));
}

void JXSettingsDialog::languageChanged()
{
    setTexts();
}

void JXSettingsDialog::onLanguageChanged(int index)
{
    if (index != kEnglish && index != kChinese)
        return;
    const QString code = QString::fromLatin1(kLanguageCodes[index]);
    if (JXLocalize::currentLanguage() == JXLocalize::fileNameFor(code))
        return;
    JXLocalize::changeLanguage(code);
    JXConfigure().setLanguage(code);
}

void JXSettingsDialog::onHardwareChanged(int index)
{
    JXConfigure().setHardwareDecoding(index == kHardwareOn);
}

void JXSettingsDialog::resizeEvent(QResizeEvent *event)
{
    JXDialog::resizeEvent(event);
    const int half = width() / 2;
    versionCaption->setGeometry(0, rowTop(0), half, kRowHeight);
    versionValue->setGeometry(half, rowTop(0), half, kRowHeight);
    buildDateCaption->setGeometry(0, rowTop(1), half, kRowHeight);
    buildDateValue->setGeometry(half, rowTop(1), half, kRowHeight);
    languageCaption->setGeometry(0, rowTop(2), half, kRowHeight);
    languageCombo->setGeometry(half, rowTop(2) + kComboDrop, kComboWidth, kComboHeight);
    hardwareCaption->setGeometry(kHardwareCaptionX, rowTop(3), half, kRowHeight);
    hardwareCombo->setGeometry(half, rowTop(3) + kComboDrop, kComboWidth, kComboHeight);
}
