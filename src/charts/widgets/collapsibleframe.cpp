#include "charts/widgets/collapsibleframe.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

namespace plx {

CollapsibleFrame::CollapsibleFrame(const QString &title, QWidget *parent) : QWidget(parent)
{
    m_header = new QToolButton(this);
    m_header->setObjectName(QStringLiteral("CmdOuvrirFermer"));
    m_header->setText(title);
    m_header->setCheckable(true);
    m_header->setChecked(true);
    m_header->setAutoRaise(true);
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setArrowType(Qt::DownArrow);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setToolTip(QStringLiteral("Afficher ou masquer les courbes"));

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    m_body = frame;
    m_layout = new QVBoxLayout(m_body);
    m_layout->setContentsMargins(6, 4, 6, 4);
    m_layout->setSpacing(2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_body);
    connect(m_header, &QToolButton::toggled, this, [this](bool open) {
        m_header->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_body->setVisible(open);
        emit openChanged(open);
    });
}

bool CollapsibleFrame::isOpen() const
{
    return m_header->isChecked();
}

void CollapsibleFrame::setOpen(bool open)
{
    m_header->setChecked(open);
}

} // namespace plx
