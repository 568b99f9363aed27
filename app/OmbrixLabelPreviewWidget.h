#pragma once

#include "JXUtils/JXLocalize.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

// The last label the scan screen sent, drawn from the very bytes the printer got by the
// same interpreter as label-preview: a white label, scaled to fit and centred, on a light
// frame. Before the first label, and when a sent job draws no label, the frame holds a
// short caption instead. GUI thread only.
class OmbrixLabelPreviewWidget : public QWidget, public JXLocalize
{
    Q_OBJECT

public:
    // Dot operations one job may cost here; the drawing runs on the GUI thread, so this is
    // far below what label-preview allows, yet some fifteen 45 mm labels at 600 dpi.
    static constexpr long long kWorkBudget = 16LL * 1024 * 1024;

    explicit OmbrixLabelPreviewWidget(QWidget *parent = nullptr);

    // Shows the last label that job prints. False when it prints none within the budget:
    // the frame then says so rather than keep showing an earlier label as this one.
    bool showJob(const QByteArray &job);
    // The label shown, one grey pixel per dot; null when none is shown.
    const QImage &label() const { return picture; }

    void languageChanged() override { update(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class Content
    {
        NothingSent,
        Label,
        NotDrawn,
    };

    QRect labelArea() const;
    const QImage &scaledPicture();

    Content content = Content::NothingSent;
    QImage picture; // one pixel per dot
    QImage scaled;  // picture fitted to labelArea(); dropped when either changes
};
