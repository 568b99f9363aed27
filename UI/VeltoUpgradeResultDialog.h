#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXDialog.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoUpgradeVerdict.h"

#include <QString>
#include <QVector>

class QPushButton;
class QTableWidget;

// The outcome of a batch upgrade, one row per device: MAC, version before, version after
// and a verdict. The rows can be copied as tab-separated text and are written to the log.
// GUI thread only.
class VeltoUpgradeResultDialog : public JXDialog, public JXLocalize
{
    Q_OBJECT

public:
    explicit VeltoUpgradeResultDialog(QWidget *parent = nullptr);

    // before[i] is the record searched before the upload, after[i] its reply afterwards
    // (empty when none came), results[i] the upload's result.
    void setResults(const QVector<VeltoDevice> &before, const QVector<VeltoDevice> &after,
                    const QVector<int> &results);

    // A header line and one line per device, fields separated by tabs.
    QString tabSeparated() const;

    void languageChanged() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Row
    {
        QString mac;
        QString before;
        QString after;
        VeltoUpgradeVerdict::Verdict verdict;
    };
    QStringList headerTexts() const;
    void fillTable();
    void copy();

    QVector<Row> rows;
    QTableWidget *table;     // child
    QPushButton *copyButton; // child
};
