#pragma once

namespace pelnix {

class PLOpenGroupTableViewCell;

// Told when the join button of a public group's row is tapped.
class PLAddToOpenGroupDelegate {
public:
    virtual ~PLAddToOpenGroupDelegate() = default;
    virtual void joinPublicGroup(PLOpenGroupTableViewCell* cell) = 0;
};

} // namespace pelnix
