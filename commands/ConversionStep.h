#pragma once
// A conversion job (or a measuring pass, audio/Conversion.h) as a stepped
// transfer: one slice of sound a step, its progress the share of the source
// read, and its dialog's title naming the file.

#include <string>

#include "audio/Conversion.h"
#include "storage/UserInterface.h"

class ConversionStep : public TransferStep {
public:
    ConversionStep(ConversionJob& job, std::string title) : m_job(job), m_title(std::move(title)) {}
    TransferKind Kind() const override { return TransferKind::Convert; }
    std::string Title() const override { return m_title; }
    StepOutcome Step(ProgressBar& bar) override
    {
        const ConversionJob::State state = m_job.Step();
        bar.SetPos(m_job.Percent());
        return state == ConversionJob::State::Working ? StepOutcome::Continue
               : state == ConversionJob::State::Done  ? StepOutcome::EndOk
                                                      : StepOutcome::EndCancel;
    }

private:
    ConversionJob& m_job;
    std::string m_title;
};
