#pragma once

#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "Velto/VeltoDevice.h"

#include <QVector>

#include <atomic>

// One device search while the operator watches a progress dialog. Use: construct,
// setSearchSeconds(), start(), exec(); when accepted, results() holds the devices found,
// sorted by MAC, unless reachedNetwork() says the chosen network was unreachable: then
// nothing was searched, or what came is not the whole list. Closing the dialog cancels
// the search and rejects it.
class VeltoSearchDialog : public JXProgressDialog
{
    Q_OBJECT

public:
    VeltoSearchDialog();
    ~VeltoSearchDialog() override;

    void setSearchSeconds(int seconds);
    // The sorted list of the last run. Read after exec() has returned.
    QVector<VeltoDevice> results() const;
    // False when the chosen network was unreachable at the start or the end of the last
    // run. Read after exec() has returned.
    bool reachedNetwork() const { return reached.load(); }

    void run() override;
    void interrupt() override;

private:
    int seconds = 3;
    // Filled and sorted by the worker; read by the GUI thread only after the worker has
    // reported the end of the search with _close().
    QVector<VeltoDevice> found;
    std::atomic<bool> reached{false}; // written by the worker before _close()
};
