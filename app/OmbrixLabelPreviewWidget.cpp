#include "app/OmbrixLabelPreviewWidget.h"

#include "LabelPreview/LabelInterpreter.h"

#include <QPainter>

#include <utility>

namespace {
const int kMargin = 8;
const QColor kFrame(0xe6, 0xe6, 0xe6);
const QColor kFrameEdge(0xc4, 0xc4, 0xc4);
const QColor kLabelEdge(0xa8, 0xa8, 0xa8);
const QColor kCaption(0x70, 0x70, 0x70);
} // namespace

OmbrixLabelPreviewWidget::OmbrixLabelPreviewWidget(QWidget *parent) : QWidget(parent)
{}

bool OmbrixLabelPreviewWidget::showJob(const QByteArray &job)
{
    QImage last;
    LabelInterpreter interpreter;
    interpreter.setWorkBudget(kWorkBudget);
    // Only the label on show is kept: a job of many labels costs one picture.
    interpreter.setLabelSink([&last](PrintedLabel &&label) {
        last = label.canvas.toImage();
        return !last.isNull();
    });
    interpreter.run(job);
    picture = std::move(last);
    content = picture.isNull() ? Content::NotDrawn : Content::Label;
    scaled = QImage();
    update();
    return content == Content::Label;
}

QRect OmbrixLabelPreviewWidget::labelArea() const
{
    return rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

const QImage &OmbrixLabelPreviewWidget::scaledPicture()
{
    const QSize fitted = picture.size().scaled(labelArea().size(), Qt::KeepAspectRatio);
    if (scaled.size() != fitted && !fitted.isEmpty())
        scaled = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled;
}

void OmbrixLabelPreviewWidget::resizeEvent(QResizeEvent *event)
{
    scaled = QImage();
    QWidget::resizeEvent(event);
}

void OmbrixLabelPreviewWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(kFrameEdge);
    painter.setBrush(kFrame);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (content == Content::Label) {
        const QImage &image = scaledPicture();
        QRect place(QPoint(), image.size());
        place.moveCenter(labelArea().center());
        painter.drawImage(place.topLeft(), image);
        painter.setPen(kLabelEdge);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(place.adjusted(-1, -1, 0, 0));
        return;
    }
    const QString caption = content == Content::NothingSent
                                ? translate(QStringLiteral("No label printed yet"))
                                : translate(QStringLiteral("This label cannot be shown"));
    painter.setPen(kCaption);
    painter.drawText(labelArea(), Qt::AlignCenter | Qt::TextWordWrap, caption);
}
