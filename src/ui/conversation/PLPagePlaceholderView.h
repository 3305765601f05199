#pragma once

#include <QWidget>

namespace pelnix {

// Stands in a message row for a page that cannot be shown (the browser engine is missing, or refused
// to start in this process, or the page failed to load): a framed box naming what the row holds
// ("Poll", "Image") over a note that its content could not be loaded, so the row is never blank. The
// name comes from the message and is drawn as plain text, elided to the box. Both lines start at the
// box's leading edge in its own direction, also after a direction turned at run time.
class PLPagePlaceholderView : public QWidget {
    Q_OBJECT
public:
    explicit PLPagePlaceholderView(QWidget* parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString& name);
    QString note() const { return m_note; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_name;
    QString m_note;
};

} // namespace pelnix
