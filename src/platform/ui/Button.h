#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QMargins>

namespace pelnix::platform::ui {

// A button with UIKit's per-state titles, title colours, images and background images (a state
// without its own falls back to the normal one), content insets and a selected state. clicked() is
// the touch-up-inside event. The button Tab puts the keys on shows a ring in a colour that reads on the
// button's own fill, and is pressed by Return and the keypad's Enter as by Space.
class Button : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { Normal, Highlighted, Selected, Disabled };

    explicit Button(QWidget* parent = nullptr);

    void setTitle(const QString& title, State state = State::Normal);
    QString titleForState(State state) const;
    void setTitleColor(const QColor& color, State state = State::Normal);
    QColor titleColorForState(State state) const;
    void setImage(const QImage& image, State state = State::Normal);
    QImage imageForState(State state) const;
    void setBackgroundImage(const QImage& image, State state = State::Normal);
    QImage backgroundImageForState(State state) const;
    // A directional image (a back arrow) is drawn mirrored while the button lays out right to left, so
    // that it points the way the screen reads, also after a direction turned at run time.
    void setImageMirroredRightToLeft(bool mirrored);
    bool isImageMirroredRightToLeft() const { return m_mirrorImage; }

    QFont titleFont() const { return font(); }
    void setTitleFont(const QFont& font) { setFont(font); }
    QMargins contentEdgeInsets() const { return m_contentInsets; }
    void setContentEdgeInsets(const QMargins& insets);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_radius; }

    // The state shown now.
    State currentState() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    template <typename T> T pick(const QHash<int, T>& values, State state) const;
    // What shows under the focus ring in `state`: the background colour and picture over what is
    // behind the button.
    QColor fill(State state) const;

    QHash<int, QString> m_titles;
    QHash<int, QColor> m_colors;
    QHash<int, QImage> m_images;
    QHash<int, QImage> m_backgrounds;
    QMargins m_contentInsets;
    QColor m_background = Qt::transparent;
    qreal m_radius = 0;
    bool m_selected = false;
    bool m_mirrorImage = false;
};

} // namespace pelnix::platform::ui
