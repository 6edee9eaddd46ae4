// Drives the real message dialog offscreen: its buttons and results, where it opens, and its
// five looks. With LOCKVEX_SCREENSHOTS set to a folder it also saves a picture of each type there.

#include "app/LockvexMsgdial.h"
#include "support/TestPlatform.h"
#include "ui/messages/MessageDialog.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

// Runs the action on the message dialog as soon as it is up, then lets ShowMessageDlg return.
void WhenDialogShows(std::function<void(QDialog *)> action)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action, poll] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible())
            action(dialog);
        else
            QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

void Click(QDialog *dialog, const char *button)
{
    auto *target = dialog->findChild<QPushButton *>(QString::fromLatin1(button));
    QVERIFY2(target, button);
    QTest::mouseClick(target, Qt::LeftButton);
}

// Centres of rectangles of odd and even sizes differ by a pixel or two.
bool Near(const QPoint &a, const QPoint &b)
{
    return qAbs(a.x() - b.x()) <= 2 && qAbs(a.y() - b.y()) <= 2;
}

} // namespace

class TestMsgDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetMessageDialogOwner(messages_, nullptr);
    }

    void yesAndOkAnswerTrueNoAndCloseAnswerFalse_data()
    {
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("result");
        QTest::newRow("Yes") << int(MsgConfirmDelete) << "YesBtn" << true;
        QTest::newRow("No") << int(MsgConfirmDelete) << "NoBtn" << false;
        QTest::newRow("close box") << int(MsgConfirmDelete) << "close" << false;
        QTest::newRow("Escape") << int(MsgQuitWithoutSaving) << "escape" << false;
        // Return never destroys: on a question whose Yes loses something it answers No.
        QTest::newRow("Return on the rename question") << int(MsgConfirmNameChange) << "enter" << false;
        QTest::newRow("Return on the delete question") << int(MsgConfirmDelete) << "enter" << false;
        QTest::newRow("Return on the quit question") << int(MsgQuitWithoutSaving) << "enter" << false;
        QTest::newRow("Return on the discard question") << int(MsgDiscardNewItem) << "enter" << false;
        QTest::newRow("Return on another question") << int(MsgImportComplete) << "enter" << true;
        QTest::newRow("Return on a note") << int(MsgWrongPassword) << "enter" << true;
        QTest::newRow("OK") << int(MsgWrongPassword) << "OKBtn" << true;
    }

    void yesAndOkAnswerTrueNoAndCloseAnswerFalse()
    {
        QFETCH(int, message);
        QFETCH(QString, action);
        QFETCH(bool, result);
        QStringList buttons;
        WhenDialogShows([&](QDialog *dialog) {
            for (auto *button : dialog->findChildren<QPushButton *>())
                buttons << button->text();
            if (action == "close")
                dialog->close();
            else if (action == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (action == "enter")
                QTest::keyClick(dialog, Qt::Key_Return);
            else
                Click(dialog, action.toLatin1().constData());
        });
        QWidget owner;
        bool MessageShown = false;
        SetMessageDialogOwner(messages_, &owner, [&MessageShown] { MessageShown = true; });
        QCOMPARE(messages_.ShowMessageDlg(MsgCatalogue[message]), result);
        SetMessageDialogOwner(messages_, nullptr);
        QVERIFY(MessageShown);
        QCOMPARE(buttons,
                 MsgCatalogue[message].Buttons.Contains(mbYes) ? QStringList({"Yes", "No"}) : QStringList({"OK"}));
        QVERIFY(!QApplication::activeModalWidget()); // the dialog is gone after the call
    }

    void showsTheFilledCaptionAndText()
    {
        QString title, caption, text;
        WhenDialogShows([&](QDialog *dialog) {
            title = dialog->windowTitle();
            caption = dialog->findChild<QLabel *>("TitleLbl")->text();
            text = dialog->findChild<QLabel *>("MsgLbl")->text();
            Click(dialog, "YesBtn");
        });
        messages_.ShowMessageDlg(MsgCatalogue[MsgImportComplete], "12");
        QCOMPARE(title, QString("Import complete. 12 items imported."));
        QCOMPARE(caption, title);
        QCOMPARE(text, QString("Do you want to view the log or import another file?"));
    }

    // The screen is the platform double's: 1024 x 768 with a panel of 32 pixels at the top.
    void opensCentredOverTheMainWindowOrElseTheScreen()
    {
        testing_support::TestPlatform desktop;
        desktop.ScreenInfo.Width = 1024;
        desktop.ScreenInfo.Height = 768;
        const QRect area(0, 32, 1024, 736);
        desktop.ScreenInfo.Areas = {area};
        platform::ScopedInstall installed(desktop);

        QPoint withoutOwner, withOwner;
        WhenDialogShows([&](QDialog *dialog) {
            withoutOwner = dialog->frameGeometry().center();
            Click(dialog, "OKBtn");
        });
        messages_.ShowMessageDlg(MsgCatalogue[MsgWrongPassword]);
        QVERIFY2(Near(withoutOwner, area.center()), "centred on the screen");

        QWidget mainWindow;
        mainWindow.setGeometry(60, 80, 900, 700);
        mainWindow.show();
        SetMessageDialogOwner(messages_, &mainWindow);
        WhenDialogShows([&](QDialog *dialog) {
            withOwner = dialog->frameGeometry().center();
            Click(dialog, "OKBtn");
        });
        messages_.ShowMessageDlg(MsgCatalogue[MsgNameExists]);
        QVERIFY2(Near(withOwner, mainWindow.frameGeometry().center()), "centred on the window");

        // Over a window in the screen's bottom right corner it moves up and left to stay on the
        // screen, up to its frame, which nobody knows before it shows.
        mainWindow.setGeometry(700, 520, 600, 400);
        QRect cornered;
        WhenDialogShows([&](QDialog *dialog) {
            cornered = dialog->frameGeometry();
            Click(dialog, "OKBtn");
        });
        messages_.ShowMessageDlg(MsgCatalogue[MsgNameExists]);
        QVERIFY2(cornered.left() < mainWindow.frameGeometry().center().x() - cornered.width() / 2, "moved left");
        QVERIFY2(qAbs(cornered.right() - area.right()) <= 4, "right edge on the screen's");
        QVERIFY2(qAbs(cornered.bottom() - area.bottom()) <= 4, "bottom edge on the screen's");
        SetMessageDialogOwner(messages_, nullptr);
    }

    void eachTypeHasItsOwnLook()
    {
        struct Sample {
            MessageType Type;
            const char *Name;
            TMsgFields Fields;
            QString Value;
        };
        const Sample samples[] = {
            {mtInformation, "information", MsgCatalogue[MsgSecurityTip], ""},
            {mtError, "error",
             TMsgFields{"", "Unable to write to /home/alice/Documents/Lockvex.INI", mtError, {mbOK}, 0}, ""},
            {mtWarning, "warning", MsgCatalogue[MsgCopiedToStick], "/media/alice/LOCKVEX"},
            {mtConfirmation, "confirmation", MsgCatalogue[MsgImportComplete], "12"},
            {mtCustom, "custom",
             TMsgFields{"Lockvex", "Your safe is locked and the clipboard is cleared.", mtCustom, {mbOK}, 0}, ""},
        };
        const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOTS");
        QSet<QRgb> bandColours, bodyColours;
        for (const Sample &sample : samples) {
            std::unique_ptr<QDialog> dialog(CreateMessageDialog(FillMessage(sample.Fields, sample.Value), nullptr));
            const QImage picture = dialog->grab().toImage();
            bandColours << picture.pixel(4, 4);
            bodyColours << picture.pixel(4, picture.height() / 2 + 10);
            if (!folder.isEmpty()) {
                QDir().mkpath(folder);
                QVERIFY(picture.save(folder + QStringLiteral("/message-%1.png").arg(sample.Name)));
            }
        }
        QCOMPARE(bandColours.size(), 5);
        QCOMPARE(bodyColours.size(), 5);
    }

    void longFolderNamesWrapInsteadOfWideningTheDialog()
    {
        const QString folder = "/media/alice/" + QString(40, 'A') + "/" + QString(40, 'B') + "/" + QString(40, 'C');
        std::unique_ptr<QDialog> dialog(
            CreateMessageDialog(FillMessage(MsgCatalogue[MsgUnableToCopy], folder), nullptr));
        QVERIFY2(dialog->width() < 600, qPrintable(QString::number(dialog->width())));
    }

private:
    TLockvexMessages messages_{RunMessageDialog}; // as the program makes them at start
};

QTEST_MAIN(TestMsgDialog)
#include "tst_msgdialog.moc"
