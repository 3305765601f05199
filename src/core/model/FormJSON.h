#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

// A downloaded smart-message form definition, by name and category; `data` is its JSON text.
class FormJSON : public PLEntity<FormJSON> {
public:
    static QString entityName() { return QStringLiteral("FormJSON"); }

    PL_ATTRIBUTE(QString, name, setName)
    PL_ATTRIBUTE(QString, category, setCategory)
    PL_ATTRIBUTE(QString, data, setData)
};

} // namespace pelnix
