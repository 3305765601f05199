#pragma once

#include <QPointer>
#include <QWidget>

namespace pelnix {

namespace platform::ui {
class Label;
}
class PLCaptionTextView;

// The caption editor of the upload preview: the text, a hairline, and the counter "typed/left" of
// the 140 units a caption may hold. It grows with its text while its height stays strictly between
// the two bounds; outside them it keeps its height and scrolls to the end of the text.
class PLUploadsCaptionView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCaptionLimit = 140;
    static constexpr double PLMinCaptionViewHeight = 70.0;
    static constexpr double PLMaxCaptionViewHeight = 120.0;
    static constexpr int kInitialHeight = 80;
    static constexpr int kCounterHeight = 20;

    explicit PLUploadsCaptionView(QWidget* parent = nullptr);

    PLCaptionTextView* captionsTextView() const { return m_textView; }
    platform::ui::Label* characterCountLabel() const { return m_counter; }
    platform::ui::Label* addCaptionPlaceHolder() const { return m_placeholder; }
    QWidget* captionSeperatorBottom() const { return m_hairline; }
    int defaultCaptionTextViewHeight() const { return m_defaultTextViewHeight; }

    // The text with line breaks trimmed at both ends.
    QString captionText() const;
    void makeCaptionViewFirstResponder();
    void dismissKeyBoardIfVissible();
    void resetCharacterCount();
    void updateCharacterCountAndSeperatorPosition();
    void resizeViewIfNeeded();

signals:
    void captionViewHeightChanged(PLUploadsCaptionView* view);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void textViewDidChange();
    void scrollToEnd();

    PLCaptionTextView* m_textView = nullptr;
    platform::ui::Label* m_counter = nullptr;
    platform::ui::Label* m_placeholder = nullptr;
    QWidget* m_hairline = nullptr;
    int m_defaultTextViewHeight = 0;
};

} // namespace pelnix
