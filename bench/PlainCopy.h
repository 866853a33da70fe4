// The floor of a configuration rewrite: the file copied to its temporary name in 64 KiB blocks
// with ReadFile/WriteFile, flushed, given the file's protection, then put in its place in one step.
#pragma once

bool PlainRewrite(const char* path);
