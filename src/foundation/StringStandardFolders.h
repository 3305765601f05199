#pragma once

#include "foundation/DeviceTraits.h"

#include <QString>

// The file-name suffix grammar used to pick device variants of a resource. A name is a stem,
// optional suffixes and an extension; the suffixes come in this order:
//   height "-568h", HD "-hd", scale "@2x", idiom "~iphone" / "~ipad" / "~mac".
// Heights and scales print with %g (2.0 -> "2", 1.5 -> "1.5").
// Operations that depend on the device take its traits; by default the current ones.
namespace pelnix::StandardFolders {

inline constexpr char kPhoneIdiomSuffix[] = "~iphone";
inline constexpr char kTabletIdiomSuffix[] = "~ipad";
inline constexpr char kDesktopIdiomSuffix[] = "~mac";
inline constexpr char kHDSuffix[] = "-hd";
inline constexpr char kRetina4Suffix[] = "-568h";

// Path extensions: the last one, except that "gz" takes the one before it along ("tar.gz").
QString SF_pathExtension(const QString& name);
QString SF_stringByAppendingPathExtension(const QString& name, const QString& extension);
QString SF_stringByDeletingPathExtension(const QString& name);
QString stringByReplacingPathExtensionWithExtension(const QString& name, const QString& extension);
bool hasPathExtension(const QString& name);

// Suffixes go between the stem and the extension.
QString stringByAppendingPathSuffix(const QString& name, const QString& suffix);
QString stringByDeletingPathSuffix(const QString& name, const QString& suffix);
bool hasPathSuffix(const QString& name, const QString& suffix);

// Idiom: 0 "~iphone", 1 "~ipad", 2 "~mac", any other value none.
QString suffixForInterfaceIdiom(int idiom);
QString interfaceIdiomSuffix(const QString& name);
QString stringByAppendingSuffixForInterfaceIdiom(const QString& name, int idiom);
QString stringByAppendingDeviceInterfaceIdiomSuffix(const QString& name,
                                                    const DeviceTraits& traits = DeviceTraits::current());
QString stringByDeletingInterfaceIdiomSuffix(const QString& name);
bool hasInterfaceIdiomSuffix(const QString& name);
int interfaceIdiomFromSuffix(const QString& name, const DeviceTraits& traits = DeviceTraits::current());

// Scale: scale 0 means the device's scale. The scale part lands before an idiom suffix.
QString stringByAppendingSuffixForScale(const QString& name, double scale,
                                        const DeviceTraits& traits = DeviceTraits::current());
QString stringByAppendingDeviceScaleSuffix(const QString& name,
                                           const DeviceTraits& traits = DeviceTraits::current());
QString scaleSuffix(const QString& name);
QString stringByDeletingScaleSuffix(const QString& name);
bool hasScaleSuffix(const QString& name);
// The scale written in the name; without one, 2 for an "-hd" name on a phone, else 1.
double scaleFromSuffix(const QString& name, const DeviceTraits& traits = DeviceTraits::current());

// HD.
QString stringByAppendingHDSuffix(const QString& name);
QString stringByAppendingHDSuffixIfDeviceIsHD(const QString& name,
                                              const DeviceTraits& traits = DeviceTraits::current());
bool hasHDSuffix(const QString& name);
QString stringByDeletingHDSuffix(const QString& name);

// Height: height 0 means the longer side of the device's screen.
QString stringByAppendingSuffixForHeight(const QString& name, double height,
                                         const DeviceTraits& traits = DeviceTraits::current());
QString stringByAppendingDeviceHeightSuffix(const QString& name,
                                            const DeviceTraits& traits = DeviceTraits::current());
QString heightSuffix(const QString& name);
bool hasHeightSuffix(const QString& name);
double heightFromSuffix(const QString& name);
QString stringByDeletingHeightSuffix(const QString& name);

// Retina ("@2x") and Retina 4 ("-568h").
QString stringByAppendingRetinaSuffix(const QString& name);
QString stringByAppendingRetinaSuffixIfDeviceIsRetina(const QString& name,
                                                      const DeviceTraits& traits = DeviceTraits::current());
bool hasRetinaSuffix(const QString& name);
QString stringByDeletingRetinaSuffix(const QString& name);
QString stringByAppendingRetina4Suffix(const QString& name);
QString stringByAppendingRetina4SuffixIfDeviceIsRetina4(const QString& name,
                                                        const DeviceTraits& traits = DeviceTraits::current());
bool hasRetina4Suffix(const QString& name);
QString stringByDeletingRetina4Suffix(const QString& name);

} // namespace pelnix::StandardFolders
