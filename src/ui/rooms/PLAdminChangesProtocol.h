#pragma once

namespace pelnix {

// Told by the admin confirmation once the server has handed the admin role over.
class PLAdminChangesProtocol {
public:
    virtual ~PLAdminChangesProtocol() = default;
    virtual void adminChangeComplete() {}
};

} // namespace pelnix
