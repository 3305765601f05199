#pragma once

namespace pelnix {

// A process flag that layout code reads: whether the application was launched while a status-bar
// banner showed. Desktop windows have no status bar, so nothing in the library sets it.
class PelnixAppLaunchStatusTracker {
public:
    static PelnixAppLaunchStatusTracker* sharedInstance();

    bool isAppLaunchedWhenStatusBarBannerIsShown() const { return m_shown; }
    void setIsAppLaunchedWhenStatusBarBannerIsShown(bool shown) { m_shown = shown; }

private:
    bool m_shown = false;
};

} // namespace pelnix
