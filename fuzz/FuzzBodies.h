#pragma once

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets. The libFuzzer entry points and the
// regression test both call these, so a saved input replays exactly the path
// it once broke. A violated property aborts.
namespace FuzzBodies {

// Bytes as EFetch would send them: extraction of every record, then the
// plain and rich citations and the RTF and HTML export.
void efetchPipeline(const uint8_t *data, size_t size);

// Bytes as ESearch would send them, through to the search result.
void esearch(const uint8_t *data, size_t size);

// The repair alone, checking what it promises about its output.
void xmlRepair(const uint8_t *data, size_t size);

} // namespace FuzzBodies
