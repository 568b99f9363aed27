#include "UI/JXSettingsDialog.h"

#include "JXUtils/JXConfigure.h"

#include <QComboBox>
#include <QLabel>

namespace {
const char kBuildDate[] = "20240319";
// Language codes by the language box's row.
const char *const kLanguageCodes[] = {"en", "cn"};
const int kEnglish = 0;
const int kChinese = 1;
const int kHardwareOn = 0;
const int kHardwareOff = 1;
const int kComboFontPixels = 12;

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

// The choice boxes are 20 pixels high; a font that fits keeps descenders inside them.
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
    resize(400, 200);
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
    versionCaption->setGeometry(0, 30, half, 30);
    versionValue->setGeometry(half, 30, half, 30);
    buildDateCaption->setGeometry(0, 70, half, 30);
    buildDateValue->setGeometry(half, 70, half, 30);
    languageCaption->setGeometry(0, 110, half, 30);
    languageCombo->setGeometry(half, 115, 100, 20);
    hardwareCaption->setGeometry(1, 150, half, 30);
    hardwareCombo->setGeometry(half, 155, 100, 20);
}
