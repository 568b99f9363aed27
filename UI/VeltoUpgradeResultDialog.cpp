#include "UI/VeltoUpgradeResultDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {
constexpr int kMinimumWidth = 560;
constexpr int kMinimumHeight = 300;
constexpr int kMargin = 10;
constexpr int kButtonMinimumWidth = 100;
constexpr int kButtonHeight = 30;

// Tabs and line ends inside a field would break the copied table.
QString field(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}
} // namespace

VeltoUpgradeResultDialog::VeltoUpgradeResultDialog(QWidget *parent)
    : JXDialog(parent), table(new QTableWidget(this)), copyButton(new QPushButton(this))
{
    table->setObjectName(QStringLiteral("upgradeResults"));
    copyButton->setObjectName(QStringLiteral("copyResults"));
    table->setColumnCount(4);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    connect(copyButton, &QPushButton::clicked, this, &VeltoUpgradeResultDialog::copy);
    languageChanged();
}

void VeltoUpgradeResultDialog::setResults(const QVector<VeltoDevice> &before,
                                          const QVector<VeltoDevice> &after,
                                          const QVector<int> &results)
{
    rows.clear();
    for (int i = 0; i < before.size(); ++i) {
        const VeltoDevice answer = after.value(i);
        Row row{before[i].mac(), VeltoUpgradeVerdict::versionOf(before[i]),
                VeltoUpgradeVerdict::versionOf(answer),
                VeltoUpgradeVerdict::of(before[i], answer, results.value(i, -1))};
        qDebug("upgrade %s: %s -> %s, %s", qUtf8Printable(row.mac), qUtf8Printable(row.before),
               qUtf8Printable(row.after), qUtf8Printable(VeltoUpgradeVerdict::key(row.verdict)));
        rows.append(row);
    }
    fillTable();
}

QStringList VeltoUpgradeResultDialog::headerTexts() const
{
    return {translate(QStringLiteral("Mac")), translate(QStringLiteral("Version before")),
            translate(QStringLiteral("Version after")), translate(QStringLiteral("Result"))};
}

void VeltoUpgradeResultDialog::fillTable()
{
    table->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = {rows[r].mac, rows[r].before, rows[r].after,
                                   translate(VeltoUpgradeVerdict::key(rows[r].verdict))};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
}

QString VeltoUpgradeResultDialog::tabSeparated() const
{
    QString text = headerTexts().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const Row &row : rows) {
        text += QStringList({field(row.mac), field(row.before), field(row.after),
                             translate(VeltoUpgradeVerdict::key(row.verdict))})
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    }
    return text;
}

void VeltoUpgradeResultDialog::copy()
{
    QApplication::clipboard()->setText(tabSeparated());
    showToast(translate(QStringLiteral("Copied")), Qt::AlignHCenter | Qt::AlignBottom, kToastMargin,
              kToastMargin);
}

void VeltoUpgradeResultDialog::languageChanged()
{
    table->setHorizontalHeaderLabels(headerTexts());
    copyButton->setText(translate(QStringLiteral("Copy")));
    copyButton->adjustSize();
    fillTable();
}

void VeltoUpgradeResultDialog::resizeEvent(QResizeEvent *event)
{
    JXDialog::resizeEvent(event);
    const int buttonWidth = std::max(copyButton->width(), kButtonMinimumWidth);
    copyButton->setGeometry(width() - kMargin - buttonWidth, height() - kMargin - kButtonHeight,
                            buttonWidth, kButtonHeight);
    table->setGeometry(kMargin, kMargin, width() - 2 * kMargin,
                       height() - 3 * kMargin - kButtonHeight);
}
