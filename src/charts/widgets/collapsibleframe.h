#pragma once

#include <QWidget>

class QToolButton;
class QVBoxLayout;

namespace plx {

// A titled frame whose body folds away under its title, to give the chart more room.
class CollapsibleFrame : public QWidget
{
    Q_OBJECT

public:
    explicit CollapsibleFrame(const QString &title, QWidget *parent = nullptr);

    QWidget *body() const { return m_body; }
    QVBoxLayout *bodyLayout() const { return m_layout; }
    bool isOpen() const;
    void setOpen(bool open);

signals:
    void openChanged(bool open);

private:
    QToolButton *m_header = nullptr;
    QWidget *m_body = nullptr;
    QVBoxLayout *m_layout = nullptr;
};

} // namespace plx
