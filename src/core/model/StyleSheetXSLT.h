#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

// A downloaded XSLT stylesheet, by name and category; `data` is the stylesheet text.
class StyleSheetXSLT : public PLEntity<StyleSheetXSLT> {
public:
    static QString entityName() { return QStringLiteral("StyleSheetXSLT"); }

    PL_ATTRIBUTE(QString, name, setName)
    PL_ATTRIBUTE(QString, category, setCategory)
    PL_ATTRIBUTE(QString, data, setData)
};

} // namespace pelnix
