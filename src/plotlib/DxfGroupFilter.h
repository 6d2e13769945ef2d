// CDxfGroupFilter: the guard between a DXF file and the DXF library
// (dxflib). The library trusts its input: a line longer than 1023 bytes
// makes its stream reader loop for ever, a vertex count of 2^30 overflows
// its buffer size, a bulge before the first vertex writes in front of its
// buffer, a huge spline count throws from new[]. So the library never sees
// the file itself; it reads this stream buffer, which reads the file group
// by group (a group code line and a value line) and passes on a clean
// rewrite of only what the reader uses:
//   - the header variables $INSUNITS and $MEASUREMENT, the layer table's
//     names, colours and flags, and the entities POINT, LINE, ARC, CIRCLE,
//     ELLIPSE, LWPOLYLINE, POLYLINE/VERTEX/SEQEND, SPLINE, TEXT, MTEXT,
//     INSERT, BLOCK and ENDBLK; other sections and entities are left out;
//   - of each entity only the groups the reader uses, numbers rewritten in
//     plain form (a number that does not parse, is not finite or is beyond
//     1e15 drops the entity as damaged), texts without control bytes and
//     at most 250 bytes long;
//   - LWPOLYLINE vertices and SPLINE knots, control and fit points counted
//     here and written with their true counts ahead of the data.
// A group code that is not a number, or a file that ends inside a section,
// ends the stream with an error (the file is damaged); so does an entity of
// more than kMaxEntityGroups groups. Line ends may be LF, CR LF or CR; a
// UTF-8 byte order mark is skipped.
//
// The library does not pass a POINT's direction (group 50) on; the filter
// keeps the directions of the points it passed, in order, for the reader's
// POINT callback (NextPointAngle).
//
// One thread reads the stream; the source is called on that thread.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "plotlib/Status.h"

class CDxfGroupFilter : public std::streambuf {
public:
    // Reads up to `size` bytes into `buffer`: the count, 0 at the end, -1
    // on a read error (with `error` set to a readable reason).
    using Source = std::function<long(char* buffer, size_t size, std::string& error)>;

    static constexpr size_t kMaxLine = 4096;            // longer lines are cut
    static constexpr size_t kMaxText = 250;             // bytes of one text value
    static constexpr size_t kMaxEntityGroups = 1u << 21;

    explicit CDxfGroupFilter(Source source);

    // Once the stream has been read to its end: Ok, or why the file cannot
    // be read (the message does not name the file).
    const Status& GetStatus() const { return m_status; }
    // Whether a SECTION was seen at all.
    bool SawSection() const { return m_sawSection; }
    // Entities left out: of kinds the reader does not draw, and damaged ones.
    size_t IgnoredEntities() const { return m_ignored; }
    size_t DamagedEntities() const { return m_damaged; }

    // The direction of the next POINT passed on, in degrees, if it had one;
    // false when no point is left.
    bool NextPointAngle(bool& hasAngle, double& degrees);

protected:
    int_type underflow() override;

private:
    enum class Section { None, Header, Tables, Blocks, Entities, Other };
    using Group = std::pair<int, std::string>;

    bool ReadLine(std::string& line);
    bool NextGroup(int& code, std::string& value);
    void Produce();
    void Handle(int code, std::string& value);
    void Finish();
    void Fail(Status status);

    void FlushEntity();
    void EmitEntity(const std::string& type, const std::vector<Group>& groups);
    void EmitLwPolyline(const std::vector<Group>& groups);
    void EmitSpline(const std::vector<Group>& groups);
    void EmitLayer(const std::vector<Group>& groups);
    void Emit(int code, const std::string& value);
    void EmitReal(int code, double value);
    void EmitInt(int code, long long value);

    Source m_source;
    std::vector<char> m_in;
    size_t m_inPos = 0;
    size_t m_inEnd = 0;
    bool m_inDone = false;
    bool m_first = true;
    bool m_pendingCr = false;
    size_t m_line = 0;

    std::string m_out;
    bool m_done = false;
    Status m_status;

    Section m_section = Section::None;
    bool m_expectSectionName = false;
    bool m_sawSection = false;
    bool m_sawEof = false;
    bool m_inBlock = false;           // between BLOCK and ENDBLK
    int m_unnamedBlocks = 0;
    std::string m_sectionName;
    std::string m_variable;           // header variable being read
    std::string m_entityType;         // entity (or table entry) being gathered
    std::vector<Group> m_groups;
    size_t m_entityLine = 0;

    std::deque<std::pair<bool, double>> m_pointAngles;
    size_t m_ignored = 0;
    size_t m_damaged = 0;
};
