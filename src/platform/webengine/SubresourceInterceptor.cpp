#include "SubresourceInterceptor.h"

#include "EnginePage.h"

#include <QWebEngineUrlRequestInfo>

namespace pelnix::webengine {

SubresourceInterceptor::SubresourceInterceptor(EnginePage* page)
    : QWebEngineUrlRequestInterceptor(page), m_page(page) {}

void SubresourceInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return;
    platform::ui::WebEngineClient* client = m_page->client();
    if (!client || !client->acceptSubresource(info.requestUrl(), int(info.resourceType())))
        info.block(true);
}

} // namespace pelnix::webengine
