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
// The form's layout in pixels. The title and the scan field stand apart from the column of
// field labels (x 80 and 30 against 20), as the screen has always had them.
constexpr int kTitleX = 80;
constexpr int kTitleY = 10;
constexpr int kRowHeight = 25;
constexpr int kLabelX = 20;
constexpr int kLabelToField = 5;
constexpr int kTitleToFields = 40;
constexpr int kRowGap = 5;
constexpr int kSerialToPaddings = 20;
constexpr int kTextFieldWidth = 200;
constexpr int kPaddingFieldWidth = 80;
constexpr int kPaddingsToScan = 40;
constexpr int kScanX = 30;
constexpr int kScanWidth = 440;
constexpr int kScanHeight = 50;
constexpr int kScanToCheckBox = 10;
constexpr int kCheckBoxToWarning = 5;
constexpr int kFontPoints = 16;
constexpr int kTitleWeight = 75;
// The label panel: right of the fields, as tall as the dialog allows, at least this square.
constexpr int kPanelGap = 20;
constexpr int kPanelLeft = 490;
constexpr int kPanelSide = 340;
constexpr int kPanelMargin = 10;
constexpr int kMinimumHeight = 360;
// The record warning stands out from the form.
const char kWarningStyle[] = "color: #c00000; font-weight: bold;";

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

// The end of a scan: scanners send a carriage return, the keypad's Enter, or, set up so,
// a line feed.
bool isCarriageReturn(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
           key->text() == QLatin1String("\r") || key->text() == QLatin1String("\n");
}

// Keys that put text into a field or take it out; moving, selecting and copying do not.
bool editsText(const QKeyEvent *key)
{
    if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
        key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
        return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}
} // namespace

JXScanCodePrinterDialog::JXScanCodePrinterDialog(QWidget *parent)
    : JXDialog(parent), title(new QLabel(this)), scanField(new QLineEdit(this)),
      modelLabel(new QLabel(this)), modelField(new QLineEdit(this)), serialLabel(new QLabel(this)),
      serialField(new QLineEdit(this)), leftPaddingLabel(new QLabel(this)),
      topPaddingLabel(new QLabel(this)), leftPaddingField(new QLineEdit(this)),
      topPaddingField(new QLineEdit(this)), reprintQuestion(new QCheckBox(this)),
      recordWarning(new QLabel(this)), labelPreview(new OmbrixLabelPreviewWidget(this)),
      labelLog(std::make_unique<OmbrixLabelLog>())
{
    // Names by which tests and accessibility tools find the fields.
    scanField->setObjectName(QStringLiteral("scan"));
    modelField->setObjectName(QStringLiteral("model"));
    serialField->setObjectName(QStringLiteral("serial"));
    leftPaddingField->setObjectName(QStringLiteral("paddingLeft"));
    topPaddingField->setObjectName(QStringLiteral("paddingTop"));
    reprintQuestion->setObjectName(QStringLiteral("reprintQuestion"));
    recordWarning->setObjectName(QStringLiteral("recordWarning"));
    labelPreview->setObjectName(QStringLiteral("labelPreview"));
    for (QLineEdit *field : {scanField, modelField, serialField, leftPaddingField, topPaddingField})
        field->installEventFilter(this);
    // Any change but the one that ends a scan makes the field's text a new scan.
    connect(scanField, &QLineEdit::textChanged, this, [this] { scanEnded = false; });
    // The scanner's keys must keep going to the scan field.
    reprintQuestion->setFocusPolicy(Qt::NoFocus);
    reprintQuestion->setChecked(JXConfigure().reprintQuestion());
    connect(reprintQuestion, &QCheckBox::toggled, this, [this](bool on) {
        JXConfigure().setReprintQuestion(on);
        updateRecordWarning();
    });
    recordWarning->setWordWrap(true);
    recordWarning->setStyleSheet(QString::fromLatin1(kWarningStyle));
    recordWarning->hide();
    title->setFont(arial(kTitleWeight));
    scanField->setFont(arial(QFont::Normal));
    setMinimumSize(kPanelLeft + kPanelSide + kPanelMargin, kMinimumHeight);
    JXConfigure configure;
    double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
    leftPaddingField->setText(QString::number(left, 'g', 6));
    topPaddingField->setText(QString::number(top, 'g', 6));
    if (serialStore.load()) {
        modelField->setText(serialStore.model());
        serialField->setText(serialStore.nextSerial());
    }
    std::unique_ptr<OmbrixLabelRegister> configured = OmbrixLabelRegister::fromConfiguration();
    if (configured->allocates()) {
        sharedRegister = std::move(configured);
        if (registerAnswered(sharedRegister->open()))
            showNextSerial();
    } else if (!labelLog->open()) {
        qDebug() << "cannot open label log" << labelLog->path();
        recordFailed = true;
    }
    languageChanged();
}

void JXScanCodePrinterDialog::languageChanged()
{
    title->setText(translate(QStringLiteral("Scan code")));
    modelLabel->setText(fieldLabel("Product Model"));
    serialLabel->setText(fieldLabel("Product SN"));
    leftPaddingLabel->setText(translate(QStringLiteral("Label left padding")));
    topPaddingLabel->setText(translate(QStringLiteral("Label top padding")));
    reprintQuestion->setText(translate(QStringLiteral("Ask before printing a code again")));
    updateRecordWarning();
}

void JXScanCodePrinterDialog::updateRecordWarning()
{
    if (sharedRegister) {
        recordWarning->setText(
            QStringLiteral("%1: %2\n%3\n%4")
                .arg(translate(QStringLiteral("The label register cannot be reached")),
                     sharedRegister->where(), sharedRegister->lastError(),
                     translate(QStringLiteral("Nothing is printed until it can."))));
        recordWarning->setVisible(recordFailed);
        if (isVisible())
            resizeEvent(nullptr);
        return;
    }
    const QString consequence =
        reprintQuestion->isChecked()
            ? translate(QStringLiteral("Nothing is printed until they can."))
            : translate(QStringLiteral("Labels are printed without a record."));
    recordWarning->setText(QStringLiteral("%1: %2\n%3")
                               .arg(translate(QStringLiteral("Labels cannot be recorded")),
                                    labelLog->path(), consequence));
    recordWarning->setVisible(recordFailed);
    if (isVisible())
        resizeEvent(nullptr);
}

void JXScanCodePrinterDialog::keyPressEvent(QKeyEvent *event)
{
    if (isCarriageReturn(event))
        scanField->setFocus();
}

bool JXScanCodePrinterDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return JXDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (isCarriageReturn(key)) {
        if (watched == scanField)
            onScan();
        else
            scanField->setFocus();
        return true;
    }
    if (watched == scanField && scanEnded && editsText(key)) {
        scanField->clear();
        scanEnded = false;
    }
    return JXDialog::eventFilter(watched, event);
}

void JXScanCodePrinterDialog::endScan(const QString &text)
{
    scanField->setText(text);
    scanField->selectAll();
    scanEnded = true;
}

void JXScanCodePrinterDialog::toast(const QString &text)
{
    showToast(text, Qt::AlignHCenter | Qt::AlignBottom, kToastMargin, kToastMargin);
}

bool JXScanCodePrinterDialog::confirmReprint(const QString &serial, const QDateTime &time,
                                             const QString &station)
{
    QString text = translate(QStringLiteral("This code was printed before"));
    if (!station.isEmpty())
        text.append(QStringLiteral("\n%1: %2").arg(translate(QStringLiteral("Station")), station));
    text.append(QStringLiteral("\n%1: %2\n%3")
                    .arg(translate(QStringLiteral("Product SN")), serial,
                         time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
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
    if (sharedRegister) {
        OmbrixLabelRegister::Label label;
        label.setResultText(result);
        label.code = code;
        label.model = modelField->text();
        label.printer = printer;
        label.pitch = pitch;
        registerAnswered(sharedRegister->note(label));
        return;
    }
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
        recordFailed = true;
        updateRecordWarning();
    }
}

bool JXScanCodePrinterDialog::recordWritable()
{
    if (recordFailed) {
        labelLog = std::make_unique<OmbrixLabelLog>();
        recordFailed = !labelLog->open();
        updateRecordWarning();
    }
    return !recordFailed;
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
    // Nothing typed since the last scan (a second carriage return, as from a scanner that
    // ends with CR LF): the last code is not scanned again.
    if (scanEnded)
        return;
    const QString scan = OmbrixScanText::withoutLineEnding(scanField->text());
    const QString code = OmbrixScanText::extractCode(scan);
    storePaddings();
    if (!OmbrixScanText::hasModelMarker(code)) {
        endScan(code);
        return;
    }
    // In every refusal below the field keeps the whole scan, so the operator sees it.
    const QString printer = JXConfigure().printerName();
    if (modelField->text().isEmpty()) {
        toast(translate(QStringLiteral("Please set model first")));
        record(code, printer, 0, QStringLiteral("refused: no model"));
        endScan(scan);
        return;
    }
    if (sharedRegister) {
        printFromRegister(scan, code, printer);
        return;
    }
    if (serialField->text().isEmpty()) {
        toast(translate(QStringLiteral("Please set SN first")));
        record(code, printer, 0, QStringLiteral("refused: no serial number"));
        endScan(scan);
        return;
    }
    // A serial number that cannot advance would be printed again on the next label.
    if (OmbrixScanText::nextSerial(serialField->text()).isEmpty()) {
        toast(translate(QStringLiteral("Product SN must end in a number, such as SN-00001")));
        endScan(scan);
        return;
    }
    const bool guard = reprintQuestion->isChecked();
    if (!recordWritable() && guard) {
        toast(translate(QStringLiteral("Label record could not be written")));
        endScan(scan);
        return;
    }
    OmbrixLabelLog::Entry earlier;
    const bool reprint = guard && labelLog->findPrinted(code, &earlier);
    if (reprint && !confirmReprint(earlier.serial, earlier.time, QString())) {
        record(code, printer, 0, QStringLiteral("skipped: printed before"));
        endScan(code);
        return;
    }
    printScan(scan, code, reprint);
}

void JXScanCodePrinterDialog::printScan(const QString &scan, const QString &code, bool reprint)
{
    const QString model = modelField->text();
    const QString serial = serialField->text();
    const QString next = OmbrixScanText::nextSerial(serial);
    // The serial number after this label is stored before the label goes out: killed
    // after the print, the program starts again past it, never at it.
    if (!serialStore.store(model, next)) {
        qDebug() << "next serial number not stored in" << OmbrixLabelSerial::defaultPath();
        toast(translate(QStringLiteral("The next serial number could not be stored")));
        record(code, JXConfigure().printerName(), 0,
               QStringLiteral("refused: serial number not stored"));
        endScan(scan);
        return;
    }
    const OmbrixPrinter::Outcome outcome = OmbrixPrinter::printLabel(code, model, serial);
    record(code, outcome.printer.isEmpty() ? JXConfigure().printerName() : outcome.printer,
           outcome.pitch, outcome.recordText(reprint));
    if (outcome.printed) {
        labelPreview->showJob(outcome.spool);
        serialField->setText(next);
        endScan(code);
        return;
    }
    // Nothing went out: this serial number is still the next one, and the panel keeps the
    // last label that did go out.
    serialStore.store(model, serial);
    if (outcome.refused)
        toast(translate(QStringLiteral("Scan holds unprintable characters")));
    endScan(outcome.refused ? scan : code);
}

bool JXScanCodePrinterDialog::fieldPrefix(QString *prefix) const
{
    const QString text = serialField->text().trimmed();
    if (text.isEmpty()) {
        *prefix = QString::fromLatin1(OmbrixLabelRegister::kDefaultPrefix);
        return true;
    }
    qint64 number = 0;
    if (OmbrixLabelRegister::splitSerial(text, prefix, &number))
        return true;
    *prefix = text;
    return !text.isEmpty() && OmbrixLabelRegister::isValidPrefix(text);
}

bool JXScanCodePrinterDialog::registerAnswered(int result)
{
    const bool reached = result != OmbrixLabelRegister::kUnavailable;
    if (!reached)
        qDebug() << "label register:" << sharedRegister->lastError();
    if (recordFailed == reached) {
        recordFailed = !reached;
        updateRecordWarning();
    }
    return reached;
}

void JXScanCodePrinterDialog::showNextSerial()
{
    QString prefix, next;
    if (fieldPrefix(&prefix) && registerAnswered(sharedRegister->peekNext(prefix, &next)) &&
        !next.isEmpty())
        serialField->setText(next);
}

void JXScanCodePrinterDialog::printFromRegister(const QString &scan, const QString &code,
                                                const QString &printer)
{
    OmbrixLabelRegister::Label label, earlier;
    if (!fieldPrefix(&label.prefix)) {
        toast(translate(QStringLiteral("Product SN must end in a number, such as SN-00001")));
        endScan(scan);
        return;
    }
    // Refused before it is numbered: a code the printer cannot take costs no number.
    if (!OmbrixScanText::isSafeForPrinter(code)) {
        record(code, printer, 0,
               QStringLiteral("refused: ") + QLatin1String(OmbrixPrinter::kUnprintable));
        toast(translate(QStringLiteral("Scan holds unprintable characters")));
        endScan(scan);
        return;
    }
    label.code = code;
    label.model = modelField->text();
    label.printer = printer;
    const bool guard = reprintQuestion->isChecked();
    int result = sharedRegister->reserve(label, !guard, &earlier);
    if (result == OmbrixLabelRegister::kPrintedBefore) {
        if (!confirmReprint(earlier.serial, earlier.time, earlier.station)) {
            record(code, printer, 0, QStringLiteral("skipped: printed before"));
            endScan(code);
            return;
        }
        result = sharedRegister->reserve(label, true, nullptr);
    }
    if (!registerAnswered(result) || result != OmbrixLabelRegister::kOk) {
        toast(sharedRegister->lastError());
        endScan(scan);
        return;
    }
    const OmbrixPrinter::Outcome outcome =
        OmbrixPrinter::printLabel(code, label.model, label.serial);
    if (!outcome.printer.isEmpty())
        label.printer = outcome.printer;
    label.pitch = outcome.pitch;
    label.state =
        outcome.printed ? OmbrixLabelRegister::State::Printed : OmbrixLabelRegister::State::Failed;
    label.reason = outcome.printed ? QString() : outcome.reason;
    registerAnswered(sharedRegister->finish(label));
    if (outcome.printed)
        labelPreview->showJob(outcome.spool);
    serialField->setText(label.serial);
    showNextSerial();
    serialStore.store(label.model, serialField->text());
    endScan(code);
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
    title->setGeometry(kTitleX, kTitleY, std::max(title->width(), scanField->width()), kRowHeight);
    const int a = std::max({modelLabel->width(), serialLabel->width(), leftPaddingLabel->width(),
                            topPaddingLabel->width()});
    const auto row = [a](QLabel *label, QLineEdit *field, int y, int fieldWidth) {
        label->setGeometry(kLabelX, y, a, kRowHeight);
        field->setGeometry(kLabelX + a + kLabelToField, y, fieldWidth, kRowHeight);
        return y + kRowHeight;
    };
    int bottom = row(modelLabel, modelField, title->geometry().bottom() + 1 + kTitleToFields,
                     kTextFieldWidth);
    bottom = row(serialLabel, serialField, bottom + kRowGap, kTextFieldWidth);
    bottom =
        row(leftPaddingLabel, leftPaddingField, bottom + kSerialToPaddings, kPaddingFieldWidth);
    bottom = row(topPaddingLabel, topPaddingField, bottom + kRowGap, kPaddingFieldWidth);
    scanField->setGeometry(kScanX, bottom + kPaddingsToScan, kScanWidth, kScanHeight);
    reprintQuestion->adjustSize();
    reprintQuestion->move(kScanX, scanField->geometry().bottom() + 1 + kScanToCheckBox);
    const int warningTop = reprintQuestion->geometry().bottom() + 1 + kCheckBoxToWarning;
    recordWarning->setGeometry(kScanX, warningTop, kScanWidth,
                               recordWarning->heightForWidth(kScanWidth));
    // The warning never hides under the dialog's lower edge.
    if (recordFailed) {
        const int needed = recordWarning->geometry().bottom() + 1 + kPanelMargin;
        if (needed > minimumHeight())
            setMinimumHeight(needed);
    }
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
