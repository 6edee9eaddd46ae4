#!/usr/bin/env bash
# Fails when src/ gains mutable state outside the objects that own it: a namespace-scope or
# static variable that is not const, or a raw owning new/delete outside Qt's parent ownership.
# What the run needs lives in the objects made for it (see docs/architecture.md).
#
# The lists below name what is still allowed, each with its reason. The platform's signal
# handling needs process-wide state (a signal handler can reach nothing else), and so do the
# platform seam, Qt's accessibility factory and two of the store's; the rest is known state that
# is still to move into the objects it belongs to. Shorten them, never lengthen
# them without a reason a reviewer accepts.
#
# Usage: scripts/check_run_state.sh [source folder]   (default: the repository's src/)
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
cd "$src"

# file:name of the mutable variables still allowed at namespace scope or as statics.
allowed_variables=(
    # signal handling: the handler writes to a pipe; the program's close, and the run's messages
    # it keeps quiet, are reached from the loop's read of that pipe
    "app/ProgramBody.cpp:signalPipe"
    "app/ProgramBody.cpp:closeOnSignal"
    "app/ProgramBody.cpp:quietOnSignal"
    # the exit steps run from atexit as well, when the program ends without returning: the
    # handler reaches the run's session and its state only through these
    "app/ProgramBody.cpp:runOpen"
    "app/ProgramBody.cpp:registered"
    "app/ProgramBody.cpp:runSession"
    # the platform seam: the installed platform (tests install their double) and its fallbacks
    "platform/Platform.cpp:installed"
    "platform/Platform.cpp:fallback"
    "platform/PosixPlatform.cpp:posix"
    # Qt's accessibility factory is installed once for the process, by Qt's own design
    "ui/shared/Accessibility.cpp:installed"
    # the index revision counter: a revision names one state of one table in the process, so that
    # what a list built from one table (or one open of it) never passes for another's; a counter
    # per table would start again at each open
    "store/PoolMgrChangeLog.cpp:last"
    # the index entries' block pool: the entries' class operator new and delete, static by the
    # language, reach it with no table to ask; a pool per table would cost each entry a pointer
    "store/IndexEntryBlocks.cpp:blocks"
)

# file:text of the raw owning new/delete still allowed.
allowed_raw_ownership=(
    # the store's index owns its entries through its collection (block-allocated entries)
    "store/*"
    # Qt owns what its accessibility registry is given; a standard context menu is the caller's
    # to delete, as Qt's documentation asks
    "ui/shared/Accessibility.cpp:*"
    "ui/shared/EntryFieldPanel.cpp:delete menu;"
)

is_allowed() { # $1 = file:name, rest = patterns
    local item="$1"
    shift
    local pattern
    for pattern in "$@"; do
        # shellcheck disable=SC2053
        [[ "$item" == $pattern || "$item" == $pattern* ]] && return 0
    done
    return 1
}

failures=0
report() {
    echo "$1"
    failures=$((failures + 1))
}

files=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)

# Namespace-scope variables: declarations that start in the first column (the project's format
# does not indent namespace bodies) and are not const; statics inside functions and classes.
namespace_decl='^(static\s+|extern\s+|thread_local\s+|inline\s+)*(?!const\b|constexpr\b|using\b|typedef\b|return\b|namespace\b|class\b|struct\b|enum\b|template\b|friend\b|static_assert\b)[A-Za-z_][\w:]*(<[^;]*?>)?[\s*&]+([A-Za-z_]\w*)(\[[^\]]*\])?\s*(=[^;]*|\{[^;]*\})?(,\s*[*&]?\w+\s*(=[^;,]*)?)*;'
static_decl='^\s+static\s+(?!constexpr\b|const\b|inline\b)[^()]*?([A-Za-z_]\w*)(\[[^\]]*\])?\s*(=[^;]*|\{[^;]*\})?;'
for file in $files; do
    while IFS= read -r line; do
        [[ -z "$line" ]] && continue
        name=$(grep -oP '[A-Za-z_]\w*(?=(\[[^\]]*\])?\s*(=[^;]*|\{[^;]*\})?(,\s*[*&]?\w+\s*(=[^;,]*)?)*;\s*(//.*)?$)' <<<"${line#*:}" | head -n1)
        is_allowed "$file:$name" "${allowed_variables[@]}" || report "$file:$line: mutable state at namespace scope or static"
    done < <(grep -nP "$namespace_decl|$static_decl" "$file" || true)
    while IFS= read -r line; do
        [[ -z "$line" ]] && continue
        is_allowed "$file:$(sed -E 's/^[0-9]+:\s*//' <<<"$line")" "${allowed_raw_ownership[@]}" ||
            report "$file:$line: raw owning new/delete (own through std::unique_ptr or a Qt parent)"
    done < <(grep -nP '\bnew\s+(?!Q)[A-Z][\w:<>]*|(?<!operator )\bdelete\b(?!Later)' "$file" |
        grep -vP '=\s*delete\b|//.*\b(new|delete)\b|"[^"]*\b(new|delete)\b' |
        grep -vP '\bnew\s+\w+\(.*\b(this|parent\w*|owner|dialog|window|app|box|panel|GroupBox\d*)\b|\bnew\s+\w+\(.*,\s*$|\bnew\s+\w+\(\s*$' |
        grep -vP 'delete\s+dialog\.data\(\)' || true)
done

if ((failures > 0)); then
    echo "$failures place(s) hold run state outside its owner; see docs/architecture.md"
    exit 1
fi
echo "no unowned mutable state in $src"
