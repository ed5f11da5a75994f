// urlwatch's job file: YAML documents, one job each. A "url" job becomes an item with its
// name, form post, headers, cookies, proxy, encoding, tags and whether it is enabled; its
// filters become the text comparison's selection and ignore rules where their meaning
// carries over. Jobs and filters without an equivalent here are left out and named with
// the reason.
#pragma once

#include <string>

#include "core/exchange/imported_job.h"

ImportReading ReadUrlwatchJobs(const std::string& text, int newItemActive);
