#pragma once

#include <QString>
#include <QVariantMap>

namespace pelnix {

// Builds the smart-message JSON of the library's own shares from form templates in the bundle
// ("<name>.json"): the template's first "content"."media" entry, with the given dictionary's entries
// written over it, becomes the only entry of "content"."media"; the rest of the template is kept.
// Each answers the pretty-printed JSON text, or a null string when the template cannot be read or
// parsed.
class SmartFormManager {
public:
    // One shared media file (the media info JSON form): "File_Form" when "fileMime" starts with
    // "video/", else "Image_Form".
    static QString constructshareMediaWithMediaDict(const QVariantMap& media);
    // A shared contact, over "Contact_Form".
    static QString constructShareContactJsonFromDictionary(const QVariantMap& contact);
    // A check-in, over "Location_Form".
    static QString constructCheckInRequestWithLocationDict(const QVariantMap& location);

    // The merge described above over any bundle template.
    static QString formJSONFromTemplate(const QString& resourceName, const QVariantMap& values);
};

} // namespace pelnix
