#include "UnavailableWebEngine.h"

namespace pelnix::platform::ui {

UnavailableWebEngine::UnavailableWebEngine(WebEngineClient* client, QWidget* parent)
    : m_client(client), m_widget(new QWidget(parent)) {
    m_widget->setAutoFillBackground(true);
    setBackgroundColor(Qt::white);
}

UnavailableWebEngine::~UnavailableWebEngine() {
    delete m_widget;
}

QWidget* UnavailableWebEngine::widget() const {
    return m_widget;
}

void UnavailableWebEngine::setHtml(const QString&, const QUrl&) {
    // As the engine would: the HTML arrives as a data URL.
    fail(QUrl(QStringLiteral("data:text/html;charset=UTF-8,")));
}

void UnavailableWebEngine::load(const QUrl& url) {
    fail(url);
}

void UnavailableWebEngine::fail(const QUrl& url) {
    // Told after the caller returns, as the engine tells its loads; nothing once the view is gone.
    QMetaObject::invokeMethod(
        m_widget,
        [client = m_client, url] {
            client->acceptNavigation(url, WebEngineClient::Navigation::Typed, true);
            client->loadingChanged(
                {url, WebEngineLoad::Status::Started, WebEngineLoad::ErrorDomain::None, 0, {}});
            client->loadingChanged(
                {url, WebEngineLoad::Status::Failed, WebEngineLoad::ErrorDomain::Internal, 0,
                 QStringLiteral("Web pages cannot be shown: the browser engine is not installed.")});
        },
        Qt::QueuedConnection);
}

void UnavailableWebEngine::runJavaScript(const QString&, std::function<void(const QVariant&)> done) {
    if (!done)
        return;
    QMetaObject::invokeMethod(
        m_widget, [done = std::move(done)] { done(QVariant()); }, Qt::QueuedConnection);
}

void UnavailableWebEngine::setBackgroundColor(const QColor& color) {
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::Window, color);
    m_widget->setPalette(palette);
}

} // namespace pelnix::platform::ui
