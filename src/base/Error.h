#pragma once
// How the program tells what went wrong, in every layer:
//
// - A function that cannot do its job throws its layer's error type, whose text is the German
//   sentence the user reads: ConfigError (config/, company/, and the files that mapping/ and
//   profile/ read and write), DbError (db/, and what storage/ reads from the company database),
//   SourceError (source/), ImportError (import/), DemoError (demo/). A caller that knows more
//   (whose option, which store) throws its own sentence with the reason in it.
// - A function that did its job but has something to tell (a store read with entries left out, a
//   note) returns it in its result, e.g. in a `problems` or `notes` member.
// - No out-parameter for an error text: it lets a caller drop the error.
// - A result with an `error` text stays where a failure is the function's normal answer (a profile
//   that is checked as it is loaded, a file written with notes).

#include <stdexcept>
