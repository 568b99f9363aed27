#include "app/JXScanCodePrinterDialog.h"

#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "app/OmbrixLabelPreviewWidget.h"
#include "app/OmbrixPrinter.h"
#include "app/OmbrixScanText.h"

#include <QCheckBox>
#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {
const int kRowHeight = 25;
const int kToastMargin = 5;
const int kFontPoints = 16;
const int kTitleWeight = 75;
// The label panel: right of the fields, as tall as the dialog allows, at least this square.
const int kPanelGap = 20;
const int kPanelLeft = 490;
const int kPanelSide = 340;
const int kPanelMargin = 10;
const int kMinimumHeight = 360;

QFont arial(int weight)
{
    QFont font(QStringLiteral("Arial"), kFontPoints);
    font.setWeight(weight);
    return font;
}

QString fieldLabel(const char *text)
{
    return QStringLiteral("%1:").arg(translate(QString::fromLatin1(text)));
}
} // namespace

JXScanCodePrinterDialog::JXScanCodePrinterDialog(QWidget *parent)
    : JXDialog(parent), title(new QLabel(this)), scanField(new QLineEdit(this)),
      modelLabel(new QLabel(this)), modelField(new QLineEdit(this)), serialLabel(new QLabel(this)),
      serialField(new QLineEdit(this)), leftPaddingLabel(new QLabel(this)),
      topPaddingLabel(new QLabel(this)), leftPaddingField(new QLineEdit(this)),
      topPaddingField(new QLineEdit(this)), reprintQuestion(new QCheckBox(this)),
      labelPreview(new OmbrixLabelPreviewWidget(this)), labelLog(std::make_unique<OmbrixLabelLog>())
{
    // Names by which tests and accessibility tools find the fields.
    scanField->setObjectName(QStringLiteral("scan"));
    modelField->setObjectName(QStringLiteral("model"));
    serialField->setObjectName(QStringLiteral("serial"));
    leftPaddingField->setObjectName(QStringLiteral("paddingLeft"));
    topPaddingField->setObjectName(QStringLiteral("paddingTop"));
    reprintQuestion->setObjectName(QStringLiteral("reprintQuestion"));
    labelPreview->setObjectName(QStringLiteral("labelPreview"));
    // The scanner's keys must keep going to the scan field.
    reprintQuestion->setFocusPolicy(Qt::NoFocus);
    reprintQuestion->setChecked(JXConfigure().reprintQuestion());
    connect(reprintQuestion, &QCheckBox::toggled, this,
            [](bool on) { JXConfigure().setReprintQuestion(on); });
    title->setFont(arial(kTitleWeight));
    scanField->setFont(arial(QFont::Normal));
    setMinimumSize(kPanelLeft + kPanelSide + kPanelMargin, kMinimumHeight);
    languageChanged();
    JXConfigure configure;
    double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
    leftPaddingField->setText(QString::number(left, 'g', 6));
    topPaddingField->setText(QString::number(top, 'g', 6));
    if (!labelLog->open())
        qDebug() << "cannot open label log" << labelLog->path();
}

void JXScanCodePrinterDialog::languageChanged()
{
    title->setText(translate(QStringLiteral("Scan code")));
    modelLabel->setText(fieldLabel("Product Model"));
    serialLabel->setText(fieldLabel("Product SN"));
    leftPaddingLabel->setText(translate(QStringLiteral("Label left padding")));
    topPaddingLabel->setText(translate(QStringLiteral("Label top padding")));
    reprintQuestion->setText(translate(QStringLiteral("Ask before printing a code again")));
    if (isVisible())
        resizeEvent(nullptr);
}

void JXScanCodePrinterDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == QLatin1String("\r"))
        onScan();
}

void JXScanCodePrinterDialog::toast(const QString &text)
{
    showToast(text, Qt::AlignHCenter | Qt::AlignBottom, kToastMargin, kToastMargin);
}

bool JXScanCodePrinterDialog::confirmReprint(const OmbrixLabelLog::Entry &earlier)
{
    const QString text =
        translate(QStringLiteral("This code was printed before"))
            .append(QStringLiteral("\n%1: %2\n%3")
                        .arg(translate(QStringLiteral("Product SN")), earlier.serial,
                             earlier.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    JXAlertDialog alert(this);
    alert.setObjectName(QStringLiteral("reprintAlert"));
    alert.setContent(text, translate(QStringLiteral("Print again")),
                     translate(QStringLiteral("Do not print")));
    alert.makeCancelDefault();
    return alert.exec() == QDialog::Accepted;
}

void JXScanCodePrinterDialog::record(const QString &code, const QString &printer, double pitch,
                                     const QString &result)
{
    OmbrixLabelLog::Entry entry;
    entry.time = QDateTime::currentDateTime();
    entry.code = code;
    entry.model = modelField->text();
    entry.serial = serialField->text();
    entry.printer = printer;
    entry.pitch = pitch;
    entry.result = result;
    if (!labelLog->append(entry)) {
        qDebug() << "label not recorded in" << labelLog->path();
        toast(translate(QStringLiteral("Label record could not be written")));
    }
}

void JXScanCodePrinterDialog::storePaddings()
{
    JXConfigure configure;
    double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
    const double newLeft = leftPaddingField->text().toDouble();
    const double newTop = topPaddingField->text().toDouble();
    // Writing the file costs more than the rest of a label; skip it when nothing changes.
    if (newLeft != left || newTop != top)
        configure.setLabelSettings(width, height, columns, newLeft, newTop, right, bottom, padding);
}

void JXScanCodePrinterDialog::onScan()
{
    const QString scan = OmbrixScanText::withoutLineEnding(scanField->text());
    const QString code = OmbrixScanText::extractCode(scan);
    storePaddings();
    if (!OmbrixScanText::hasModelMarker(code)) {
        scanField->setText(code);
        return;
    }
    const QString printer = JXConfigure().printerName();
    if (modelField->text().isEmpty()) {
        toast(translate(QStringLiteral("Please set model first")));
        record(code, printer, 0, QStringLiteral("refused: no model"));
        return;
    }
    if (serialField->text().isEmpty()) {
        toast(translate(QStringLiteral("Please set SN first")));
        record(code, printer, 0, QStringLiteral("refused: no serial number"));
        return;
    }
    // The field keeps the whole scan, so the operator sees what was refused.
    if (!OmbrixScanText::isSafeForPrinter(code)) {
        toast(translate(QStringLiteral("Scan holds unprintable characters")));
        record(code, printer, 0, QStringLiteral("refused: unprintable characters"));
        return;
    }
    OmbrixLabelLog::Entry earlier;
    if (reprintQuestion->isChecked() && labelLog->findPrinted(code, &earlier) &&
        !confirmReprint(earlier)) {
        record(code, printer, 0, QStringLiteral("skipped: printed before"));
        scanField->setText(code);
        return;
    }
    const QString serial = serialField->text();
    const OmbrixPrinter::Outcome outcome =
        OmbrixPrinter::printLabel(code, modelField->text(), serial);
    record(code, outcome.printer.isEmpty() ? printer : outcome.printer, outcome.pitch,
           outcome.recordText());
    // A failed label never reached the printer: the panel keeps the last one that did.
    if (outcome.printed) {
        labelPreview->showJob(outcome.spool);
        serialField->setText(OmbrixScanText::nextSerial(serial));
    }
    scanField->setText(code);
}

void JXScanCodePrinterDialog::resizeEvent(QResizeEvent *event)
{
    if (event)
        JXDialog::resizeEvent(event);
    for (QWidget *widget :
         {static_cast<QWidget *>(title), static_cast<QWidget *>(modelLabel),
          static_cast<QWidget *>(serialLabel), static_cast<QWidget *>(leftPaddingLabel),
          static_cast<QWidget *>(topPaddingLabel)})
        widget->adjustSize();
    title->setGeometry(80, 10, std::max(title->width(), scanField->width()), kRowHeight);
    const int a = std::max({modelLabel->width(), serialLabel->width(), leftPaddingLabel->width(),
                            topPaddingLabel->width()});
    const auto row = [a](QLabel *label, QLineEdit *field, int y, int fieldWidth) {
        label->setGeometry(20, y, a, kRowHeight);
        field->setGeometry(20 + a + 5, y, fieldWidth, kRowHeight);
        return y + kRowHeight;
    };
    int bottom = row(modelLabel, modelField, title->geometry().bottom() + 1 + 40, 200);
    bottom = row(serialLabel, serialField, bottom + 5, 200);
    bottom = row(leftPaddingLabel, leftPaddingField, bottom + 20, 80);
    bottom = row(topPaddingLabel, topPaddingField, bottom + 5, 80);
    scanField->setGeometry(30, bottom + 40, 440, 50);
    reprintQuestion->adjustSize();
    reprintQuestion->move(30, scanField->geometry().bottom() + 1 + 10);
    placeLabelPreview();
}

// Right of every field whatever the language makes of the labels' widths; the dialog grows
// when a translation pushes the panel further right.
void JXScanCodePrinterDialog::placeLabelPreview()
{
    int left = kPanelLeft;
    for (const QWidget *widget :
         {static_cast<const QWidget *>(scanField), static_cast<const QWidget *>(modelField),
          static_cast<const QWidget *>(serialField), static_cast<const QWidget *>(leftPaddingField),
          static_cast<const QWidget *>(topPaddingField),
          static_cast<const QWidget *>(reprintQuestion)})
        left = std::max(left, widget->geometry().right() + 1 + kPanelGap);
    const int minimumWidth = left + kPanelSide + kPanelMargin;
    if (minimumWidth > minimumSize().width())
        setMinimumWidth(minimumWidth);
    labelPreview->setGeometry(left, kPanelMargin,
                              std::max(kPanelSide, width() - left - kPanelMargin),
                              std::max(kPanelSide, height() - 2 * kPanelMargin));
}
