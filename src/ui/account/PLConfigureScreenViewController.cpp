#include "ui/account/PLConfigureScreenViewController.h"

#include "core/model/PLModelManager.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/MainThread.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Spinner.h"
#include "ui/account/AccountUi.h"
#include "ui/account/PLPageView.h"

namespace pelnix {

using namespace platform::ui;
using AccountUi::localized;

namespace {
constexpr int kContainerWidth = 280;
constexpr int kContainerHeight = 230;
constexpr int kLogoSide = 120;

} // namespace

PLConfigureScreenViewController::PLConfigureScreenViewController(QObject* parent) : ViewController(parent) {}

PLConfigureScreenViewController::~PLConfigureScreenViewController() {
    removeObserverForProgressAndState();
}

QString PLConfigureScreenViewController::textForState(qint64 state) {
    switch (state) {
    case 1:
        return localized("Downloading Stylesheet\u2026");
    case 2:
        return localized("Fetching Rooms\u2026");
    case 3:
        return localized("Upgrading\u2026");
    default:
        return {};
    }
}

QWidget* PLConfigureScreenViewController::loadView() {
    auto* page = new PLPageView([this] { layout(); });

    m_container = new QWidget(page);
    m_container->setObjectName(QStringLiteral("configurationContainerView"));
    auto* logo = new ImageView(m_container);
    logo->setObjectName(QStringLiteral("configurationLogo"));
    logo->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    logo->setImage(ImageAdditions::loadImageNamed(QStringLiteral("pelnix_logo_big")));
    logo->setGeometry((kContainerWidth - kLogoSide) / 2, 0, kLogoSide, kLogoSide);
    m_spinner = new Spinner(m_container);
    m_spinner->setGeometry((kContainerWidth - 36) / 2, kLogoSide + 20, 36, 36);
    m_spinner->startAnimating();
    m_title = new Label(localized("Configuring\u2026"), m_container);
    m_title->setObjectName(QStringLiteral("currentStateTitle"));
    m_title->setFont(AccountUi::font("DejaVuSans", 17));
    m_title->setTextColor(AccountUi::hexColor("404040"));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setGeometry(0, kLogoSide + 66, kContainerWidth, 30);
    return page;
}

void PLConfigureScreenViewController::layout() {
    if (!m_container || !isViewLoaded())
        return;
    const QRect bounds = view()->rect();
    m_container->setGeometry((bounds.width() - kContainerWidth) / 2, (bounds.height() - kContainerHeight) / 2,
                             kContainerWidth, kContainerHeight);
}

void PLConfigureScreenViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    setUp();
}

void PLConfigureScreenViewController::setUp() {
    addObserverForProgressAndState();
    updateCurrentStateText();
}

void PLConfigureScreenViewController::addObserverForProgressAndState() {
    Q_ASSERT(platform::isMainThread());
    removeObserverForProgressAndState();
    m_observation =
        connect(PLModelManager::sharedModelManager(), &PLModelManager::appConfigurationStateChanged, this,
                [this] { updateCurrentStateText(); });
}

void PLConfigureScreenViewController::removeObserverForProgressAndState() {
    disconnect(m_observation);
    m_observation = {};
}

void PLConfigureScreenViewController::updateCurrentStateText() {
    if (!m_title)
        return;
    const QString text = textForState(PLModelManager::sharedModelManager()->appConfigurationState());
    const QString shown = text.isNull() ? m_title->text() : text;
    QPointer<Label> title = m_title;
    Animator::crossDissolve(view(), kTransitionMs, [title, shown] {
        if (title)
            title->setText(shown);
    });
}

} // namespace pelnix
