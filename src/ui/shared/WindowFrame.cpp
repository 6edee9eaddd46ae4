#include "ui/shared/WindowFrame.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/HeaderBand.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowHelp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace WindowFrame
{

QVBoxLayout *MakeRoot(QWidget &window)
{
    auto *root = new QVBoxLayout(&window);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    return root;
}

THeader MakeHeader(QWidget &window, const QString &text, double scale, std::function<void()> onHelp, bool withHelp)
{
    THeader header;
    header.Band = new THeaderBand(QStringLiteral("Lockvex"), text, &window, scale);
    header.Title = header.Band->TitleLabel();
    header.Title->setObjectName(QStringLiteral("LockvexLabel"));
    header.Text = header.Band->TextLabel();
    header.Text->setObjectName(QStringLiteral("LockvexTextLabel"));
    if (text.isEmpty())
        header.Text->hide(); // the band has the product name only
    if (!withHelp)
        return header;
    header.HelpBtn = MakeButton(header.Band, "LockvexHelpBtn", QStringLiteral("HELP"));
    header.HelpBtn->setToolTip(QStringLiteral("Get help"));
    header.Band->AddTrailingWidget(header.HelpBtn);
    if (onHelp)
        QObject::connect(header.HelpBtn, &QPushButton::clicked, &window, std::move(onHelp));
    return header;
}

void SetUp(QWidget &window, TWebHelpSystem *help, int helpContext, const QString &accessibleName)
{
    SetHelpContext(&window, helpContext);
    InstallHelpKey(&window, help);
    if (!accessibleName.isEmpty())
        Accessibility::NameWindow(&window, accessibleName);
}

void ApplyLook(QWidget &window, double scale, const QString &ownRules)
{
    QString sheet = LockvexStyle::WindowSheet(scale);
    if (!ownRules.isEmpty())
        sheet += LockvexStyle::Sheet(ownRules, scale);
    window.setStyleSheet(sheet);
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QHBoxLayout *ButtonRow(QWidget *button)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    return row;
}

} // namespace WindowFrame
