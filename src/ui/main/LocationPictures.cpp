#include "ui/main/LocationPictures.h"

#include "ui/shared/LockvexStyle.h"

#include <QPainter>
#include <QPainterPath>

using namespace LockvexStyle;

namespace
{

void DrawScreen(QPainter &p, qreal s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Colour::HeaderMid);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.12, s * 0.88, s * 0.58), s * 0.08, s * 0.08);
    p.setBrush(Colour::SelectionBack);
    p.drawRect(QRectF(s * 0.14, s * 0.2, s * 0.72, s * 0.42));
    p.setBrush(Colour::HeaderMid);
    p.drawRect(QRectF(s * 0.44, s * 0.7, s * 0.12, s * 0.12));
    p.drawRoundedRect(QRectF(s * 0.26, s * 0.8, s * 0.48, s * 0.09), s * 0.04, s * 0.04);
}

void DrawCloud(QPainter &p, qreal s, const QColor &colour, const QString &letter)
{
    QPainterPath cloud;
    cloud.setFillRule(Qt::WindingFill);
    cloud.addEllipse(QRectF(s * 0.04, s * 0.38, s * 0.38, s * 0.38));
    cloud.addEllipse(QRectF(s * 0.22, s * 0.16, s * 0.48, s * 0.48));
    cloud.addEllipse(QRectF(s * 0.56, s * 0.36, s * 0.4, s * 0.4));
    cloud.addRoundedRect(QRectF(s * 0.2, s * 0.5, s * 0.6, s * 0.26), s * 0.1, s * 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(cloud.simplified());
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qMax(6, qRound(s * 0.36)));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, s * 0.3, s, s * 0.46), Qt::AlignCenter, letter);
}

} // namespace

QPixmap DataPlacePicture(TDataPlace place, int size)
{
    QPixmap pixmap = BlankPicture(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (place) {
    case TDataPlace::PC:
        DrawScreen(p, size);
        break;
    case TDataPlace::Dropbox:
        DrawCloud(p, size, Colour::Focus, QStringLiteral("D"));
        break;
    case TDataPlace::GoogleDrive:
        DrawCloud(p, size, Colour::QualityOK, QStringLiteral("G"));
        break;
    case TDataPlace::OneDrive:
        DrawCloud(p, size, Colour::HeaderEnd, QStringLiteral("O"));
        break;
    }
    return pixmap;
}
