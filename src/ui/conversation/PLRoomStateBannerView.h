#pragma once

#include <QWidget>

namespace pelnix {

namespace platform::ui {
class Label;
}

// What covers the input bar when the user may not post in the room: "PLUserKickedMessageView" when
// only the room's admin posts, "PLRoomClosedMessageView" when the room was deleted on the server. It
// takes the bar's whole area and its taps, so nothing under it can be used.
class PLRoomStateBannerView : public QWidget {
    Q_OBJECT
public:
    enum class Kind { UserKicked, RoomClosed };
    static inline const QString kUserKickedMessageView = QStringLiteral("PLUserKickedMessageView");
    static inline const QString kRoomClosedMessageView = QStringLiteral("PLRoomClosedMessageView");

    explicit PLRoomStateBannerView(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    QString text() const;
    platform::ui::Label* messageLabel() const { return m_label; }
    static QColor backgroundColor();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Kind m_kind;
    platform::ui::Label* m_label;
};

} // namespace pelnix
