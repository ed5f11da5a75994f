#include "core/fetch/fetch_job.h"

#include <utility>

void FetchJob::ClearOutcome() {
  m_outcome = FetchOutcome::Fetched;
  m_httpStatus = 0;
  m_errorText.clear();
  m_savedPath.clear();
  m_redirectTarget.clear();
}

FetchOutcome FetchJob::Fail(std::string text) {
  m_outcome = FetchOutcome::Failed;
  m_errorText = std::move(text);
  return m_outcome;
}

FetchOutcome FetchJob::Answered(int status) {
  m_outcome = status == 304 ? FetchOutcome::NotModified : FetchOutcome::HttpStatus;
  m_httpStatus = status;
  return m_outcome;
}

int StatusNumber(const FetchJob& job) {
  switch (job.m_outcome) {
    case FetchOutcome::Fetched:
      return 0;
    case FetchOutcome::NotFetchable:
      return 1;
    case FetchOutcome::Failed:
      return 2;
    case FetchOutcome::Moved:
      return 3;
    case FetchOutcome::NotModified:
    case FetchOutcome::HttpStatus:
      break;
  }
  return job.m_httpStatus;
}
