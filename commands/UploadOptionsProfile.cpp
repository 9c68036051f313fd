#include "commands/UploadOptionsProfile.h"

#include <cstdlib>
#include <string>

#include "audio/Conversion.h"

namespace {

const char* const kSection = "Settings";

struct Choice {
    const char* entry;
    bool UploadOptions::*member;
};
const Choice kChoices[] = {{"Speech", &UploadOptions::speech},
                           {"Reencode", &UploadOptions::reencodePlayable},
                           {"AsIs", &UploadOptions::asIs},
                           {"StripTags", &UploadOptions::stripTags},
                           {"NameFromTags", &UploadOptions::nameFromTags},
                           {"Level", &UploadOptions::level}};

}

UploadOptions LoadUploadOptions(AppProfile& profile)
{
    UploadOptions options;
    const std::string rate = profile.GetProfileString(kSection, "Bitrate");
    const int kbps = std::atoi(rate.c_str());
    options.kbps = IsMp3BitRate(kbps) ? kbps : kDefaultKbps;
    for (const Choice& choice : kChoices)
        options.*choice.member = profile.GetProfileString(kSection, choice.entry) == "1";
    return options;
}

void SaveUploadOptions(AppProfile& profile, const UploadOptions& options)
{
    profile.WriteProfileString(kSection, "Bitrate", std::to_string(options.kbps > 0 ? options.kbps : kDefaultKbps));
    for (const Choice& choice : kChoices)
        profile.WriteProfileString(kSection, choice.entry, options.*choice.member ? "1" : "0");
}
