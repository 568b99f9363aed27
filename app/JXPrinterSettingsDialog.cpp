#include "app/JXPrinterSettingsDialog.h"

#include "JXUtils/JXConfigure.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>

#include <algorithm>

namespace {
// Around the whole layout: left of both label columns' start, above the printer row, and
// the room the printer box leaves on the right.
constexpr int kMargin = 10;
constexpr int kRowHeight = 25;
// Between rows, and between a label and its field.
constexpr int kRowSpacing = 5;
constexpr int kFieldWidth = 80;
// From the left column's fields to the right column's labels.
constexpr int kColumnGap = 50;
constexpr int kSaveWidth = 120;
// From the last left-column field down to the Save button.
constexpr int kSaveGap = 30;
constexpr int kMinimumWidth = 470;
constexpr int kMinimumHeight = 230;

QString lengthText(double millimetres)
{
    return QString::number(millimetres, 'g', 6);
}

// The number in a field; text that is not one counts as 0.
double realOf(const QLineEdit *field)
{
    return field->text().toDouble();
}
} // namespace

JXPrinterSettingsDialog::JXPrinterSettingsDialog(QWidget *parent)
    : JXDialog(parent), printerLabel(new QLabel(this)), printerList(new QComboBox(this)),
      rows{{"Label Width", new QLabel(this), new QLineEdit(this)},
           {"Label Height", new QLabel(this), new QLineEdit(this)},
           {"Label Column", new QLabel(this), new QLineEdit(this)},
           {"Label padding", new QLabel(this), new QLineEdit(this)},
           {"Label left padding", new QLabel(this), new QLineEdit(this)},
           {"Label right padding", new QLabel(this), new QLineEdit(this)},
           {"Label top padding", new QLabel(this), new QLineEdit(this)},
           {"Label bottom padding", new QLabel(this), new QLineEdit(this)}},
      saveButton(new QPushButton(this))
{
    // Names by which tests and accessibility tools find the fields.
    const char *const names[RowCount] = {"width",      "height",       "column",
                                         "padding",    "paddingLeft",  "paddingRight",
                                         "paddingTop", "paddingBottom"};
    for (int i = 0; i < RowCount; ++i)
        rows[i].field->setObjectName(QString::fromLatin1(names[i]));
    printerList->setObjectName(QStringLiteral("printer"));
    saveButton->setObjectName(QStringLiteral("save"));
    languageChanged();
    fillFields();
    rows[Bottom].label->hide();
    rows[Bottom].field->hide();
    connect(saveButton, &QPushButton::clicked, this, &JXPrinterSettingsDialog::save);
}

void JXPrinterSettingsDialog::languageChanged()
{
    printerLabel->setText(translate(QStringLiteral("Printer")));
    for (Row &row : rows)
        row.label->setText(translate(QString::fromLatin1(row.text)));
    saveButton->setText(translate(QStringLiteral("Save")));
    fitMinimumWidth();
    if (isVisible())
        resizeEvent(nullptr);
}

void JXPrinterSettingsDialog::fillFields()
{
    JXConfigure configure;
    double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
    rows[Width].field->setText(lengthText(width));
    rows[Height].field->setText(lengthText(height));
    rows[Column].field->setText(QString::number(columns));
    rows[Padding].field->setText(lengthText(padding));
    rows[Left].field->setText(lengthText(left));
    rows[Right].field->setText(lengthText(right));
    rows[Top].field->setText(lengthText(top));
    rows[Bottom].field->setText(lengthText(bottom));
    fillPrinters(configure.printerName());
}

void JXPrinterSettingsDialog::fillPrinters(const QString &configured)
{
    printerList->addItems(QPrinterInfo::availablePrinterNames());
    int index = printerList->findText(configured, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        index = printerList->findText(QPrinterInfo::defaultPrinterName(),
                                      Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        printerList->setCurrentIndex(index);
}

void JXPrinterSettingsDialog::save()
{
    const double width = realOf(rows[Width].field);
    const double height = realOf(rows[Height].field);
    if (!(width > 0) || !(height > 0)) {
        showToast(translate(QStringLiteral("Please input correct size")),
                  Qt::AlignHCenter | Qt::AlignBottom, kToastMargin, kToastMargin);
        return;
    }
    JXConfigure configure;
    configure.setLabelSettings(width, height, rows[Column].field->text().toInt(),
                               realOf(rows[Left].field), realOf(rows[Top].field),
                               realOf(rows[Right].field), realOf(rows[Bottom].field),
                               realOf(rows[Padding].field));
    configure.setPrinterName(printerList->currentText());
    accept();
}

// Lays rows first..last out under each other from (x, y); returns the bottom of the last.
int JXPrinterSettingsDialog::layoutRows(int first, int last, int x, int y, int labelWidth)
{
    for (int i = first; i <= last; ++i) {
        rows[i].label->setGeometry(x, y, labelWidth, kRowHeight);
        rows[i].field->setGeometry(x + labelWidth + kRowSpacing, y, kFieldWidth, kRowHeight);
        y += kRowHeight + kRowSpacing;
    }
    return y - kRowSpacing;
}

void JXPrinterSettingsDialog::resizeEvent(QResizeEvent *event)
{
    if (event)
        JXDialog::resizeEvent(event);
    int leftWidth = 0;
    int rightWidth = 0;
    measureLabels(leftWidth, rightWidth);
    printerLabel->setGeometry(kMargin, kMargin, leftWidth, kRowHeight);
    const int comboWidth =
        std::max(width() - leftWidth - 2 * kMargin, printerList->sizeHint().width());
    printerList->setGeometry(kMargin + leftWidth + kRowSpacing, kMargin, comboWidth, kRowHeight);
    const int firstRowY = kMargin + kRowHeight + kRowSpacing;
    const int paddingBottom = layoutRows(Width, Padding, kMargin, firstRowY, leftWidth);
    const int rightX = rows[Width].field->geometry().right() + 1 + kColumnGap;
    layoutRows(Left, Bottom, rightX, firstRowY, rightWidth);
    saveButton->setGeometry((width() - kSaveWidth) / 2, paddingBottom + kSaveGap, kSaveWidth,
                            kRowHeight);
}

// The widths of the left and right label columns, each its widest label.
void JXPrinterSettingsDialog::measureLabels(int &leftWidth, int &rightWidth)
{
    printerLabel->adjustSize();
    leftWidth = printerLabel->width();
    rightWidth = 0;
    for (int i = 0; i < RowCount; ++i) {
        rows[i].label->adjustSize();
        int &widest = i <= Padding ? leftWidth : rightWidth;
        widest = std::max(widest, rows[i].label->width());
    }
}

// Longer translations widen the dialog, so that the right column is never cut off.
void JXPrinterSettingsDialog::fitMinimumWidth()
{
    int leftWidth = 0;
    int rightWidth = 0;
    measureLabels(leftWidth, rightWidth);
    const int needed = kMargin + leftWidth + kRowSpacing + kFieldWidth + kColumnGap + rightWidth +
                       kRowSpacing + kFieldWidth + kMargin;
    setMinimumSize(std::max(kMinimumWidth, needed), kMinimumHeight);
}
