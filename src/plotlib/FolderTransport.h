// A folder as an output device: each job becomes a new file "NNNNNN.plt"
// in the folder, numbered one above the highest number already there
// (000001.plt for an empty folder). The folder is created when missing.
// The file is written through CAtomicFileWriter, so a consumer watching the
// folder (a cutter's own spooler, a network share) only ever sees whole
// jobs; an aborted job leaves nothing behind.
#pragma once

#include <memory>
#include <string>

#include "plotlib/Transport.h"

class CAtomicFileWriter;

class CFolderTransport : public CTransport {
public:
    explicit CFolderTransport(std::string folder);
    ~CFolderTransport() override;

    Status Open(const std::string& jobName) override;
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return false; }
    std::string Describe() const override { return m_folder; }

    // The file the last Open chose (for messages and tests).
    const std::string& CurrentFile() const { return m_file; }
    // The number the next job would get in `folder`.
    static int NextJobNumber(const std::string& folder);

protected:
    Status WriteBytes(const char* data, size_t size, size_t& written) override;

private:
    std::string m_folder;
    std::string m_file;
    std::unique_ptr<CAtomicFileWriter> m_writer;
};
