#include "PLStoryboardPopoverSegue.h"

#include "PLPopoverController.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ViewController.h"

#include <QWidget>

namespace pelnix {

PLStoryboardPopoverSegue::PLStoryboardPopoverSegue(const QString& identifier,
                                                   platform::ui::ViewController* source,
                                                   platform::ui::ViewController* destination)
    : m_identifier(identifier), m_source(source), m_destination(destination) {}

PLStoryboardPopoverSegue::~PLStoryboardPopoverSegue() = default;

PLPopoverController* PLStoryboardPopoverSegue::popoverControllerWithSender(QObject* sender,
                                                                           unsigned directions, bool animated,
                                                                           unsigned options) {
    m_sender = sender;
    m_hasSender = sender != nullptr;
    m_arrowDirections = directions;
    m_animated = animated;
    m_options = options;
    m_popoverController = std::make_unique<PLPopoverController>(m_destination);
    return m_popoverController.get();
}

void PLStoryboardPopoverSegue::perform() {
    if (!m_popoverController)
        return;
    // A sender that went away since the request counts as no sender.
    QObject* sender = m_hasSender ? m_sender.data() : nullptr;
    if (auto* item = qobject_cast<platform::ui::BarButtonItem*>(sender)) {
        m_popoverController->presentPopoverFromBarButtonItem(item, m_arrowDirections, m_animated, m_options);
        return;
    }
    auto* view = qobject_cast<QWidget*>(sender);
    m_popoverController->presentPopoverFromRect(view ? view->rect() : QRect(), view, m_arrowDirections,
                                                m_animated, m_options);
}

} // namespace pelnix
