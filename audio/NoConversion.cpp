// A build without FFmpeg's and LAME's libraries: nothing is converted, and
// every file that would need it is refused with the reason.

#include "audio/AudioProbe.h"
#include "audio/Conversion.h"

namespace {
const char* const kNoLibraries = "this build of Mellifon cannot convert (it was built without FFmpeg)";
}

struct ConversionJob::Codecs {};

bool ConversionAvailable()
{
    return false;
}

std::string ConversionJob::DamageNote() const
{
    return "";
}

std::vector<std::string> AudioLibraryVersions()
{
    return {};
}

LibraryProbe ProbeWithLibraries(const std::string&)
{
    LibraryProbe probe;
    probe.problem = kNoLibraries;
    return probe;
}

ConversionJob::ConversionJob(const std::string&, const std::string&, const ConversionSettings&)
{
    Fail(kNoLibraries);
}

ConversionJob::ConversionJob(const std::string&, LoudnessMeter&, const ConversionSettings&)
{
    Fail(kNoLibraries);
}

ConversionJob::~ConversionJob() = default;

ConversionJob::State ConversionJob::Step()
{
    return m_state;
}

int ConversionJob::Percent() const
{
    return 0;
}

ConversionJob::State ConversionJob::Fail(const std::string& problem)
{
    m_problem = problem;
    return m_state = State::Failed;
}
