#pragma once

#include <QLabel>

class QFontMetrics;

// `text` cut to `width` pixels in `metrics`, keeping what tells how far the work has come: of
// "<what>: <how far>" the part with fewer digits gives way ("Sending Exam…: 45 of 120 MB",
// "Uninstalling 3 of 12: Fire…"), the first part on a tie; other texts are cut in the middle.
// Unchanged when it fits.
QString fittedBusyText(const QString &text, const QFontMetrics &metrics, int width);

// A label that shows its text cut to its width (see fittedBusyText) rather than clipped, while
// text(), its tooltip and what a screen reader reads stay whole.
class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
