// The parts of the application object with the received-text pipeline, for tests and benchmarks that
// build the log window on their own.
#pragma once

#include "common/StationParts.h"
#include "logview/LogWindow.h"
#include "pipeline/ReceivedTextPipeline.h"

struct WindowParts : StationParts {
    pipeline::ReceivedTextPipeline m_pipeline{m_channel, m_logOnDisk};

    LogWindowParts Window() {
        return LogWindowParts{m_options, m_paths, m_categories, m_channel, m_window, m_logOnDisk, m_pipeline};
    }
};
