#pragma once

// The scan-code label screen driven as the scanner and the operator drive it: keys typed
// into its fields and a carriage return at the end of each scan.
#include "PrintingTestSupport.h"
#include "app/JXScanCodePrinterDialog.h"

#include <QLineEdit>
#include <QString>
#include <QTest>

#include <memory>

class ScanScreenTest : public PrintingTest
{
protected:
    void TearDown() override
    {
        dialog.reset();
        PrintingTest::TearDown();
    }

    // Opens the dialog at its design size with a model and a serial number typed in.
    void openDialog()
    {
        dialog = std::make_unique<JXScanCodePrinterDialog>();
        dialog->resize(500, 360);
        dialog->show();
        type("model", "KT4X-Q2");
        type("serial", "SN-00041");
    }
    QLineEdit *field(const char *name) const
    {
        return dialog->findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    void type(const char *name, const QString &text)
    {
        field(name)->clear();
        QTest::keyClicks(field(name), text);
    }
    // A scan as the scanner sends it: the text, then a carriage return.
    void scan(const QString &text)
    {
        type("scan", text);
        QTest::keyClick(field("scan"), Qt::Key_Return);
    }
    QString serial() const { return field("serial")->text(); }

    std::unique_ptr<JXScanCodePrinterDialog> dialog;
};
