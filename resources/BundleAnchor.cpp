// The bundle's files are compiled into this library as Qt resources; this unit only gives the
// library a translation unit of its own.
namespace pelnix::resources {
int bundleAnchor() { return 1; }
} // namespace pelnix::resources
