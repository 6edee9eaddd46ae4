#include "platform/desktop/DesktopPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

namespace platform
{

bool DesktopPlatform::OpenUrl(const QString &address)
{
    QUrl url = QUrl::fromUserInput(address.trimmed());
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool DesktopPlatform::OpenMailLink(const QString &mailto)
{
    QUrl url(mailto, QUrl::TolerantMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool DesktopPlatform::OpenFile(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPlatform::SetClipboardText(const QString &text)
{
    auto *mime = new QMimeData;
    mime->setText(text);
    // Tells clipboard managers (KDE's Klipper and others that honour it) to keep no history.
    mime->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(mime);
}

QString DesktopPlatform::ClipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

void DesktopPlatform::Beep()
{
    QApplication::beep();
}

ScreenMetrics DesktopPlatform::Screen() const
{
    ScreenMetrics metrics;
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        metrics.Width = screen->size().width();
        metrics.Height = screen->size().height();
        metrics.PixelsPerInch = qRound(screen->logicalDotsPerInch());
        metrics.Areas << screen->availableGeometry();
        for (QScreen *other : QGuiApplication::screens())
            if (other != screen)
                metrics.Areas << other->availableGeometry();
    }
    if (metrics.PixelsPerInch <= 0)
        metrics.PixelsPerInch = 96;
    return metrics;
}

QString DesktopPlatform::ChooseFolder(const QString &caption, const QString &title, const QString &startFolder)
{
    QFileDialog dialog(QApplication::activeWindow(), caption, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog, so that the title can stand in it; read-only: no new folder is made here.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    if (!title.isEmpty()) {
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
            auto *label = new QLabel(title, &dialog);
            label->setWordWrap(true);
            grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DesktopPlatform::ChooseOpenFile(const QString &caption, const QString &startFolder, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, startFolder, filter);
}

void DesktopPlatform::WatchSessionLock(std::function<void()> onLock)
{
    lockWatch_ = std::make_unique<SessionLockWatch>(std::move(onLock));
}

} // namespace platform
