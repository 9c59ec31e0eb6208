// PCRE2 wrapper: compile with JIT, per-thread JIT stacks and match contexts.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "regex.hpp"

#include <pcre2.h>

#include <array>

namespace vexil::core {

namespace {

std::string engine_message(int code) {
  std::array<PCRE2_UCHAR, 256> buffer{};
  int n = pcre2_get_error_message(code, buffer.data(), buffer.size());
  if (n < 0) return "error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
}

// JIT stacks and match contexts belong to one thread each; the default JIT
// stack (32 KiB) is too small for the tables' bounded repeats.
class ThreadScratch {
 public:
  ThreadScratch() : stack_(pcre2_jit_stack_create(64 * 1024, 16 * 1024 * 1024, nullptr)) {}
  ~ThreadScratch() {
    for (auto& slot : contexts_) {
      if (slot.context) pcre2_match_context_free(slot.context);
    }
    if (stack_) pcre2_jit_stack_free(stack_);
  }

  pcre2_match_context* context(std::uint32_t step_limit) {
    for (auto& slot : contexts_) {
      if (slot.context && slot.limit == step_limit) return slot.context;
    }
    for (auto& slot : contexts_) {
      if (!slot.context) {
        slot.context = pcre2_match_context_create(nullptr);
        if (!slot.context) throw std::bad_alloc();
        slot.limit = step_limit;
        pcre2_set_match_limit(slot.context, step_limit);
        if (stack_) pcre2_jit_stack_assign(slot.context, nullptr, stack_);
        return slot.context;
      }
    }
    throw InternalFailure("regex: more step limits than match contexts");
  }

 private:
  struct Slot {
    std::uint32_t limit = 0;
    pcre2_match_context* context = nullptr;
  };
  pcre2_jit_stack* stack_;
  std::array<Slot, 2> contexts_{};
};

ThreadScratch& thread_scratch() {
  thread_local ThreadScratch scratch;
  return scratch;
}

}  // namespace

Result<std::shared_ptr<const Regex>> Regex::compile(std::string_view source,
                                                    std::uint32_t step_limit) {
  pcre2_compile_context* ccontext = pcre2_compile_context_create(nullptr);
  if (!ccontext) throw std::bad_alloc();
  pcre2_set_compile_extra_options(ccontext, PCRE2_EXTRA_ALT_BSUX);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                                   PCRE2_UTF | PCRE2_UCP | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX,
                                   &error_code, &error_offset, ccontext);
  pcre2_compile_context_free(ccontext);
  if (!code) {
    if (error_code == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
    return fail(engine_message(error_code) + " at offset " + std::to_string(error_offset));
  }
  // An expression the JIT cannot take still runs in the interpreter.
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  return std::shared_ptr<const Regex>(new Regex(code, step_limit));
}

std::shared_ptr<const Regex> Regex::fixed(std::string_view owner, std::string_view role,
                                          std::string_view source) {
  auto compiled = compile(source, FIXED_STEP_LIMIT);
  if (!compiled) {
    throw InternalFailure(std::string(owner) + ": " + std::string(role) +
                          " compile failed: " + compiled.error().message);
  }
  return *compiled;
}

Regex::~Regex() { pcre2_code_free(code_); }

int Regex::group_number(const std::string& name) const {
  int n = pcre2_substring_number_from_name(code_, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
  return n > 0 ? n : -1;
}

Matcher::Matcher(const Regex& regex)
    : regex_(regex), data_(pcre2_match_data_create_from_pattern(regex.code_, nullptr)) {
  if (!data_) throw std::bad_alloc();
}

Matcher::~Matcher() { pcre2_match_data_free(data_); }

Result<bool> Matcher::search(std::string_view subject, std::size_t from, bool anchored) {
  // Subjects come from Python str objects and are valid UTF-8: skip the
  // per-call UTF check, which would rescan the whole subject every time.
  std::uint32_t options = PCRE2_NO_UTF_CHECK | (anchored ? PCRE2_ANCHORED : 0);
  int rc = pcre2_match(regex_.code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                       from, options, data_, thread_scratch().context(regex_.step_limit_));
  if (rc >= 0) return true;
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
  return fail(engine_message(rc));
}

ByteSpan Matcher::span(int group) const {
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
  return ByteSpan{ovector[2 * group], ovector[2 * group + 1]};
}

bool Matcher::took_part(int group) const {
  if (group < 0 || static_cast<std::uint32_t>(group) >= pcre2_get_ovector_count(data_))
    return false;
  return pcre2_get_ovector_pointer(data_)[2 * group] != PCRE2_UNSET;
}

}  // namespace vexil::core
