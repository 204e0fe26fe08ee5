#pragma once
// Failures of the device link. what() is the text the user sees (UTF-8); the
// commands catch these and show it.

#include "model/messageerror.h"

namespace vyn {

class ELinkError : public MessageError
{
public:
    using MessageError::MessageError;
};

// The serial port: cannot be opened, or delivered fewer bytes than promised.
class EPortExcept : public ELinkError
{
public:
    using ELinkError::ELinkError;
};

// The line is gone: the other end hung up or the adapter was unplugged.
class EPortLost : public EPortExcept
{
public:
    using EPortExcept::EPortExcept;
};

// The command was asked to stop (Ctrl+C, the program ending).
class EInterrupted : public ELinkError
{
public:
    using ELinkError::ELinkError;
};

// The calculator's side of an exchange went wrong (the numbered errors).
class EProtokol : public ELinkError
{
public:
    using ELinkError::ELinkError;
};

// No byte arrived within a single-byte read.
class EReadExcept : public ELinkError
{
public:
    using ELinkError::ELinkError;
};

// A communicator could not complete a query.
class EComunicatorExcept : public ELinkError
{
public:
    using ELinkError::ELinkError;
};

} // namespace vyn
