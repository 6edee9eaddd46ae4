#include "ui/shared/HeaderBand.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/LockvexStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

using namespace LockvexStyle;

THeaderBand::THeaderBand(const QString &title, const QString &text, QWidget *parent, double scale) : QFrame(parent)
{
    setObjectName(QStringLiteral("HeaderBand"));
    setFrameShape(QFrame::NoFrame);
    // Its own sheet: the window's rules for labels and buttons do not apply on the dark band.
    setStyleSheet(
        Sheet(QStringLiteral("QLabel { background: transparent; }"
                             "QLabel[lvBand=\"title\"] { color: @HeaderTitle; font-size: 30px; font-weight: 700; }"
                             "QLabel[lvBand=\"text\"] { color: @HeaderText; font-size: 14px; }"
                             "QPushButton { color: white; font-size: 12px; font-weight: 600;"
                             "  padding: 4px 14px; border: 1px solid @HeaderButtonBorder;"
                             "  border-radius: 5px; background: @HeaderButtonBack; }"
                             "QPushButton:hover { background: @HeaderButtonHover; }"
                             "QPushButton:pressed { background: @HeaderButtonPressed; }"
                             // Focus turns the button white, far from its see-through face.
                             "QPushButton:focus { border: 2px solid white; background: white;"
                             "  color: @HeaderStart; }"),
              scale));

    title_ = new QLabel(title, this);
    title_->setObjectName(QStringLiteral("HeaderTitle"));
    title_->setProperty("lvBand", QStringLiteral("title")); // the owner may rename the labels
    text_ = new QLabel(text, this);
    text_->setObjectName(QStringLiteral("HeaderText"));
    text_->setProperty("lvBand", QStringLiteral("text"));
    text_->setTextFormat(Qt::PlainText);
    title_->setTextFormat(Qt::PlainText);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(Px(2, scale));
    titles->addWidget(title_);
    titles->addWidget(text_);

    trailing_ = new QHBoxLayout;
    trailing_->setSpacing(Px(SmallGap, scale));

    auto *padlock = new QLabel(this);
    padlock->setObjectName(QStringLiteral("HeaderPadlock"));
    padlock->setPixmap(HeaderPadlock(Px(46, scale)));
    Accessibility::HideFromAssistiveTools(padlock);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Px(24, scale), Px(10, scale), Px(22, scale), Px(10, scale));
    row->setSpacing(Px(Gap, scale));
    row->addLayout(titles);
    row->addStretch(1);
    row->addLayout(trailing_);
    row->addWidget(padlock);
}

void THeaderBand::AddTrailingWidget(QWidget *widget)
{
    widget->setParent(this);
    trailing_->addWidget(widget, 0, Qt::AlignVCenter);
}

void THeaderBand::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient shade(0, 0, width(), height());
    shade.setColorAt(0, Colour::HeaderStart);
    shade.setColorAt(0.55, Colour::HeaderMid);
    shade.setColorAt(1, Colour::HeaderEnd);
    p.fillRect(rect(), shade);
}
