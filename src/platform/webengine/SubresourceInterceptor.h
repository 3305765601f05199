#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace pelnix::webengine {

class EnginePage;

// A page's own request interceptor: asks the page's client about each request the page makes by
// itself and blocks what it refuses. The page's own navigation is the veto's to decide.
class SubresourceInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    explicit SubresourceInterceptor(EnginePage* page);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    EnginePage* m_page;
};

} // namespace pelnix::webengine
