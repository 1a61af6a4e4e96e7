// Colour management: the profile table of the output colour spaces, the
// display choice and the cached LittleCMS transform from the output colour
// space to the display profile.
//
// The document owns one ColorManager. Any thread may ask it for the display
// transform; the transform is built under the manager's lock and handed out
// as a shared snapshot, so a caller that holds it for a whole development run
// can never see it deleted, even when the settings change meanwhile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velmo {

// Profile bytes shared by the table, the transforms and the writers; a
// replaced profile lives on while someone still holds it.
using IccBytes = std::shared_ptr<const std::vector<uint8_t>>;

constexpr int kIccSlotCount = 5;
constexpr int kUserIccSlot = 4;
// An ICC header alone is 128 bytes; anything shorter is not a profile.
constexpr size_t kMinIccProfileBytes = 128;
// No real profile comes near this; it bounds what a file may make us allocate.
constexpr size_t kMaxIccProfileBytes = size_t(64) << 20;

// Message 61233, shown when a profile file is refused.
constexpr unsigned kOnlyRgbProfileMessageId = 61233;
extern const char kOnlyRgbProfileText[];   // "Only the profile of RGB can be used. \n"
// Shown once when LittleCMS cannot build the display transform.
extern const char kColorFallbackText[];

enum class ProfileStatus {
    Accepted,
    NotFound,   // no such file
    Unreadable, // the file exists but could not be read whole
    TooShort,   // a profile cut short: its header, or the size its header gives, is not all there
    TooLarge,   // over kMaxIccProfileBytes
    Invalid,    // not an ICC profile (no profile signature), or one LittleCMS cannot open
    Damaged,    // its tag table or a tag lies outside the profile
    NotRgb,     // its colour space is not RGB
};

// Accepted when the bytes are a whole profile (its header, its size and
// every tag inside the bytes) that LittleCMS opens and whose colour space is
// RGB, with a size in the bounds above. LittleCMS itself skips tags that
// point outside a profile; such a profile is refused here, before it can
// be embedded in an output.
ProfileStatus CheckRgbProfile(const uint8_t* data, size_t size);
// Reads a whole profile file; the size is checked before anything is
// allocated. Accepted means read, not yet checked as a profile.
ProfileStatus ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes);
// The message for a refused profile file: why it is refused, naming it; for
// a profile that is not RGB, message 61233. Empty for Accepted, NotFound and
// Unreadable.
std::string ProfileRefusalText(ProfileStatus status, const std::string& path);
// Shows ProfileRefusalText when there is one. True when shown.
bool ReportProfileRefusal(ProfileStatus status, const std::string& path);

// Five slots indexed by the output colour space (DevParams::ICC): the four
// built-in profiles and the user profile (empty until one is accepted).
class IccProfileTable {
public:
    IccProfileTable();

    // The bytes of a slot; an index outside 0..4 reads slot 0. The user slot
    // may be empty (size 0): writers then leave the profile out.
    IccBytes Slot(int icc) const;
    // The same, with an empty user slot read as slot 0 (sRGB): for images
    // that are shown or converted.
    IccBytes SlotOrSrgb(int icc) const;
    bool HasUserProfile() const;
    // Installs bytes as the user profile when CheckRgbProfile accepts them;
    // otherwise the previous user profile stays.
    ProfileStatus SetUserProfile(std::vector<uint8_t> bytes);
    void ClearUserProfile();

private:
    std::array<IccBytes, kIccSlotCount - 1> builtIn;
    IccBytes emptyUser;
    mutable std::mutex mutex;
    IccBytes user; // guarded by mutex
};

// A LittleCMS transform for 16-bit R, G, B from an output colour space to
// the display profile. Immutable once built; Apply may run on several threads.
class DisplayTransform {
public:
    ~DisplayTransform();
    DisplayTransform(const DisplayTransform&) = delete;
    DisplayTransform& operator=(const DisplayTransform&) = delete;

    // Converts pixelCount pixels of three u16; in and out may be the same buffer.
    void Apply(const uint16_t* in, uint16_t* out, size_t pixelCount) const;

    // Takes ownership of a LittleCMS transform (cmsHTRANSFORM) made for
    // TYPE_RGB_16 in and out.
    explicit DisplayTransform(void* cmsTransform) : handle(cmsTransform) {}

private:
    void* handle;
};

// How the shown pictures reach the display ("UseLittleCMS", stored as these
// values): the GUI converts from the embedded output profile (Windows colour
// management), LittleCMS converts to one of the built-in profiles (slots 0..3),
// or LittleCMS converts to the display profile file (sRGB while none is
// loaded).
enum class DisplayChoice : int {
    GuiConverts = 0,
    Srgb = 1,
    AdobeRgb = 2,
    FinePixRgb = 3,
    WideGamutRgb = 4,
    DisplayProfileFile = 5,
};
inline constexpr int kDisplayChoiceCount = 6;
// A stored or command code as a choice; false for a value out of range.
constexpr bool DisplayChoiceFromCode(int code, DisplayChoice* choice)
{
    if (code < 0 || code >= kDisplayChoiceCount)
        return false;
    *choice = DisplayChoice(code);
    return true;
}

class ColorManager {
public:

    ColorManager() = default;
    ColorManager(const ColorManager&) = delete;
    ColorManager& operator=(const ColorManager&) = delete;

    IccProfileTable& Profiles() { return profiles; }
    const IccProfileTable& Profiles() const { return profiles; }

    DisplayChoice GetDisplayChoice() const;
    // Sets the display choice and drops the cached transform; a value out
    // of range is ignored (false).
    bool SetDisplayChoice(DisplayChoice choice);

    // The display profile file (LoadOtherColorProfile): read, checked, and
    // installed only when accepted; otherwise the previous display profile
    // stays. Shows nothing; the caller reports (ReportProfileRefusal).
    ProfileStatus LoadDisplayProfile(const std::string& path);
    ProfileStatus SetDisplayProfile(std::vector<uint8_t> bytes);
    IccBytes DisplayProfile() const; // null while none is loaded

    // The open routine's .ICC/.ICM branch: the file becomes the user profile
    // (slot 4) when it is an RGB profile; otherwise message 61233 and the
    // previous user profile stays. A missing file gives NotFound silently.
    // On Accepted the document adds the path to the colour-profile recent
    // list, keeps it as "OtherColorProfile" and selects output space 4.
    ProfileStatus OpenUserProfile(const std::string& path);

    // CreateColorTransform: the transform from output colour space icc to
    // the display profile of the current choice, built on first use and
    // cached until the output space, the choice or a profile changes. Null
    // for choice 0, and when LittleCMS could not build it (no conversion;
    // the failure is kept for ReportFallbackOnce and not retried).
    std::shared_ptr<const DisplayTransform> Transform(int icc);
    // Releases the cached transform; snapshots still held stay valid.
    void DropTransform();
    // TransformPixel: choice 0 or no transform returns in unchanged;
    // otherwise converts into out and returns out.
    const uint16_t* TransformPixel(int icc, const uint16_t in[3], uint16_t out[3]);

    // True when the GUI must convert the shown pixels from
    // ProfileForDisplay (choice 0); otherwise they are already converted.
    bool GuiConvertsColors() const { return GetDisplayChoice() == DisplayChoice::GuiConverts; }
    // The profile to attach to shown images of output space icc: slot[icc],
    // sRGB for an empty user slot.
    IccBytes ProfileForDisplay(int icc) const { return profiles.SlotOrSrgb(icc); }

    // The last transform built failed and nothing was built since: pixels
    // are shown without conversion.
    bool ConversionFailed() const;
    // On the user-interface thread: shows kColorFallbackText once for each
    // failed build (whichever thread met it). True when shown.
    bool ReportFallbackOnce();

private:
    IccBytes OutputProfileLocked() const;

    IccProfileTable profiles;
    mutable std::mutex mutex;
    // Guarded by mutex:
    DisplayChoice displayChoice = DisplayChoice::GuiConverts;
    IccBytes displayProfile;
    struct Cache {
        bool valid = false;
        IccBytes input, output;
        std::shared_ptr<const DisplayTransform> transform; // null: failed
    } cache;
    bool failureUnreported = false;
};

} // namespace velmo
