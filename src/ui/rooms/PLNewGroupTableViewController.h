#pragma once

#include "platform/ui/ViewController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QPointer>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

// The form of the new group screen ("PLNewGroupTableViewController", mirrored under "..._RTL"): the
// icon, the name with its counter (at most 20 UTF-16 units; a change that would pass that is refused
// whole), and the admin-only and hide-member-info switches.
class PLNewGroupTableViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    static constexpr int kMaxNameLength = 20;
    static constexpr int kIconSide = 100;
    static constexpr int kRowHeight = 53;

    // The name (as of the field's last end of editing; none until then), the picked picture's info,
    // whether an icon is set, and the two options.
    using GroupInfoHandler = std::function<void(const std::optional<QString>& groupName,
                                                const std::optional<QVariantMap>& imageInfo,
                                                bool isGroupIconSet, bool adminOnly, bool hideMemberInfo)>;

    explicit PLNewGroupTableViewController(bool rightToLeft = false, QObject* parent = nullptr);
    ~PLNewGroupTableViewController() override;

    void groupInfoWithCompletionHandler(const GroupInfoHandler& handler) const;
    // The name field's rule: whether replacing `length` units by `replacement` keeps the name within
    // 20 units; when it does the counter shows the new length.
    bool shouldChangeCharacters(int length, const QString& replacement);
    // Asks the image selection for the icon.
    void chooseImage();
    // The selection's answer; nothing (a refused or no picture) changes nothing.
    void imageSelected(const std::optional<QVariantMap>& selection);

    std::optional<QString> groupName() const { return m_groupName; }
    bool isGroupIconSet() const { return m_isGroupIconSet; }
    bool isRightToLeft() const { return m_rightToLeft; }
    PLRoundImageView* groupIconImageView() const { return m_groupIconImageView; }
    platform::ui::Button* imageSelectionButton() const { return m_imageSelectionButton; }
    platform::ui::TextField* groupNameTextField() const { return m_groupNameTextField; }
    platform::ui::Label* counterTextLabel() const { return m_counterTextLabel; }
    platform::ui::Switch* adminOnlySwitch() const { return m_adminOnlySwitch; }
    platform::ui::Switch* hideMemberInfoSwitch() const { return m_hideMemberInfoSwitch; }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutForm();
    void setCounter(qsizetype length);

    bool m_rightToLeft = false;
    std::optional<QString> m_groupName;
    std::optional<QVariantMap> m_imageInfo;
    bool m_isGroupIconSet = false;
    qsizetype m_nameLength = 0;
    QPointer<PLRoundImageView> m_groupIconImageView;
    QPointer<platform::ui::Button> m_imageSelectionButton;
    QPointer<platform::ui::TextField> m_groupNameTextField;
    QPointer<platform::ui::Label> m_counterTextLabel;
    QPointer<platform::ui::Switch> m_adminOnlySwitch;
    QPointer<platform::ui::Switch> m_hideMemberInfoSwitch;
    QList<QPointer<platform::ui::Label>> m_rowLabels;
    QList<QPointer<QWidget>> m_separators;
};

} // namespace pelnix
