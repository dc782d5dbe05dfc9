#pragma once

#include <QLabel>

namespace vantrel {

// A one-line label that never widens its window: a text longer than the
// room it gets is cut with "…" and shown whole in its tip.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateTip();
};

} // namespace vantrel
