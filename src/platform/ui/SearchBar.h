#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace pelnix::platform::ui {

class SegmentedControl;

// A search bar: a rounded field with a magnifier, an optional Cancel button beside it, and an
// optional scope bar under it. Signals follow the user: textDidChange() for edits (not for setText()),
// searchButtonClicked() for Return, cancelButtonClicked() for Cancel, and the scope index when the
// user picks another scope. Children are named "searchBar.field", "searchBar.cancel" and
// "searchBar.scope". The field and Cancel show DejaVu Sans at 15 pixels, whatever the host program's font.
class SearchBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarHeight = 44;
    static constexpr int kScopeHeight = 44;

    explicit SearchBar(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    QLineEdit* searchField() const { return m_field; }

    bool showsCancelButton() const { return m_showsCancel; }
    void setShowsCancelButton(bool shows);
    QToolButton* cancelButton() const { return m_cancel; }

    QStringList scopeButtonTitles() const { return m_scopeTitles; }
    void setScopeButtonTitles(const QStringList& titles);
    bool showsScopeBar() const { return m_showsScope; }
    void setShowsScopeBar(bool shows);
    int selectedScopeButtonIndex() const;
    void setSelectedScopeButtonIndex(int index);

    bool isEditing() const;
    void beginEditing();
    void endEditing();

    QSize sizeHint() const override;

signals:
    void textDidChange(const QString& text);
    void textDidBeginEditing();
    void textDidEndEditing();
    void searchButtonClicked();
    void cancelButtonClicked();
    void selectedScopeButtonIndexDidChange(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutParts();

    QLineEdit* m_field = nullptr;
    QToolButton* m_cancel = nullptr;
    SegmentedControl* m_scope = nullptr;
    QStringList m_scopeTitles;
    bool m_showsCancel = false;
    bool m_showsScope = false;
};

} // namespace pelnix::platform::ui
