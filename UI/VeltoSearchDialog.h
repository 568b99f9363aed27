#pragma once

#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "Velto/VeltoDevice.h"

#include <QVector>

// One device search while the operator watches a progress dialog. Use: construct,
// setSearchSeconds(), start(), exec(); when accepted, results() holds the devices found,
// sorted by MAC. Closing the dialog cancels the search and rejects it.
class VeltoSearchDialog : public JXProgressDialog
{
    Q_OBJECT

public:
    VeltoSearchDialog();
    ~VeltoSearchDialog() override;

    void setSearchSeconds(int seconds);
    // The sorted list of the last run. Read after exec() has returned.
    QVector<VeltoDevice> results() const;

    void run() override;
    void interrupt() override;

private:
    int seconds = 3;
    // Filled and sorted by the worker; read by the GUI thread only after the worker has
    // reported the end of the search with _close().
    QVector<VeltoDevice> found;
};
