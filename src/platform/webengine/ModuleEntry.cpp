// The module's one exported symbol, which WebEngineModule resolves by name.
#include "EngineBackend.h"

#include <string_view>

extern "C" Q_DECL_EXPORT pelnix::platform::ui::WebEngineBackend*
pelnix_webengine_backend_v4(pelnix::platform::ui::WebEngineClient* client, QWidget* parent) {
    return new pelnix::webengine::EngineBackend(client, parent);
}

static_assert(std::string_view(pelnix::platform::ui::kWebEngineBackendFactoryName) ==
              "pelnix_webengine_backend_v4");
[[maybe_unused]] static constexpr pelnix::platform::ui::WebEngineBackendFactory kEntry =
    &pelnix_webengine_backend_v4;
