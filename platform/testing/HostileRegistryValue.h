// Registry values as people and other setups leave them behind, made from a seed: strings with
// and without their zero, with more after the zero, of the sizes around a buffer's, and the same
// bytes under another type.
#pragma once

#include <initializer_list>
#include "TestFixtures.h"

#include <random>
#include <string>

// Text of one of the given lengths, give or take one, or a short one: printable characters,
// backslashes and commas.
std::string HostileText(std::mt19937& random, const std::initializer_list<size_t>& lengthsThatMatter);

// The text stored as a value of a random type, with or without its zero, or with more after it.
// Strings hold no bytes above 127, so that the system's code page cannot change them.
RawRegistryValue HostileValue(std::mt19937& random, const std::string& text);

// What a string value gives a reader with a buffer of bufferBytes: its text up to the first zero.
// False when it is not a string, is larger than the buffer, or leaves no room for the zero.
bool StringValueText(const RawRegistryValue& value, size_t bufferBytes, std::string& text);

// A line for a failing case's message.
std::string Describe(const RawRegistryValue& value);
