// F1 on a shown window: help on the focused control, or on what encloses it.

#include "app/MgrLockvexHelp.h"
#include "platform/Platform.h"
#include "support/TestPlatform.h"
#include "ui/shared/WindowHelp.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

class TestWebHelpKey : public QObject
{
    Q_OBJECT

private slots:
    void f1AsksForTheFocusedControlOrWhatEnclosesIt()
    {
        testing_support::TestPlatform desktop;
        platform::ScopedInstall guard(desktop);
        TWebHelpSystem help;

        QWidget window;
        SetHelpContext(&window, HelpContexts::MainWindow);
        auto *layout = new QVBoxLayout(&window);
        auto *stickBtn = new QPushButton("LOAD MEMORY STICK", &window);
        SetHelpContext(stickBtn, HelpContexts::TfrMemStickBtn);
        auto *group = new QWidget(&window);
        SetHelpContext(group, 777);
        auto *groupEdit = new QLineEdit(group);
        (new QVBoxLayout(group))->addWidget(groupEdit);
        auto *searchArg = new QLineEdit(&window);
        layout->addWidget(stickBtn);
        layout->addWidget(group);
        layout->addWidget(searchArg);
        InstallHelpKey(&window, &help);
        InstallHelpKey(&window, &help); // a second call must not make the key ambiguous
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        const QList<QPair<QWidget *, int>> cases{{stickBtn, 3130}, {groupEdit, 777}, {searchArg, 1020}};
        for (const auto &[control, context] : cases) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_F1);
            QCOMPARE(desktop.OpenedUrls.size(), 1);
            QCOMPARE(desktop.OpenedUrls.takeFirst(), HelpAddress(context));
        }
    }
};

QTEST_MAIN(TestWebHelpKey)
#include "tst_webhelp.moc"
