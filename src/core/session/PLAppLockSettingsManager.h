#pragma once

namespace pelnix {

// Two process flags that coordinate the app-lock screen: whether it is still due on the next
// appearance of a base screen, and whether it is on screen now. Memory only; a session reset leaves
// them alone. Main thread.
class PLAppLockSettingsManager {
public:
    static PLAppLockSettingsManager* sharedAppLockSettingsManager();

    bool shouldShowAppLockScreen() const { return m_shouldShowAppLockScreen; }
    void setShouldShowAppLockScreen(bool value) { m_shouldShowAppLockScreen = value; }
    bool isAlreadyPresentingLockScreen() const { return m_isAlreadyPresentingLockScreen; }
    void setIsAlreadyPresentingLockScreen(bool value) { m_isAlreadyPresentingLockScreen = value; }

private:
    PLAppLockSettingsManager() = default;
    bool m_shouldShowAppLockScreen = true;
    bool m_isAlreadyPresentingLockScreen = false;
};

} // namespace pelnix
