#!/usr/bin/perl
# SPDX-License-Identifier: MIT
# Checks that every message the tool can print is documented: reads the
# format string of each printf and fprintf call in the given C++ sources and
# looks for each of its lines in a text, the rendered DIAGNOSTICS section.
# A conversion (%s, %c, %zu, %08x, ...) stands for any placeholder word, and
# runs of white space count as one space.
#
# usage: documented_messages.pl diagnostics.txt source.cc...
# Prints one line per problem and exits 1 if there is any.
use strict;
use warnings;

die "usage: documented_messages.pl diagnostics.txt source.cc...\n" if @ARGV < 2;
my ($diagnostics_file, @sources) = @ARGV;

sub normalize {
  my ($text) = @_;
  $text =~ s/\s+/ /g;
  $text =~ s/^ | $//g;
  return $text;
}

sub unescape {
  my ($literal) = @_;
  my %simple = (n => "\n", t => "\t", r => "\r", '"' => '"', "'" => "'",
                '\\' => '\\', '?' => '?', a => "\a", f => "\f", v => "\013");
  $literal =~ s/\\(?:([0-7]{1,3})|x([0-9A-Fa-f]+)|(.))/
    defined $1 ? chr(oct $1) : defined $2 ? chr(hex $2) : ($simple{$3} \/\/ $3)/ges;
  return $literal;
}

my $string_literals = qr/((?:"(?:[^"\\\n]|\\.)*"\s*)+)/;
my $conversion = qr/%[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|j|z|t|L)?[diouxXcspfeEgGaA]/;
my (@problems, @messages);

for my $source (@sources) {
  open my $in, '<', $source or die "$source: $!\n";
  my $code = do { local $/; <$in> };
  close $in;
  my $line_of = sub { 1 + (substr($code, 0, $_[0]) =~ tr/\n//) };

  # Output that does not go through a format string cannot be checked here.
  while ($code =~ /\b(std::cout|std::cerr|std::clog|puts|fputs|putchar|fputc|perror|vprintf|vfprintf|dprintf)\b/g) {
    push @problems, "$source:" . $line_of->($-[0]) . ": $1 prints a message this check cannot read";
  }
  while ($code =~ /\b(f?printf)\s*\(/g) {
    my ($call, $at) = ($1, $-[0]);
    my $rest = substr($code, $+[0]);
    # fprintf's first argument is the stream.
    $rest =~ s/^\s*[\w:.>-]+\s*,// if $call eq 'fprintf';
    if ($rest !~ /^\s*$string_literals/) {
      push @problems, "$source:" . $line_of->($at) . ": the format of this $call is not a string literal";
      next;
    }
    my $format = join '', map { unescape($_) } ($1 =~ /"((?:[^"\\\n]|\\.)*)"/g);
    for my $line (split /\n/, $format) {
      my $text = normalize($line);
      push @messages, [$text, $source . ':' . $line_of->($at)] if $text ne '';
    }
  }
}
push @problems, "no message found in @sources" unless @messages;

open my $in, '<', $diagnostics_file or die "$diagnostics_file: $!\n";
my @documented = map { normalize($_) } <$in>;
close $in;

for my $message (@messages) {
  my ($text, $where) = @$message;
  my $pattern = join '', map { $_ eq '%%' ? '%' : /^$conversion$/ ? '.+' : quotemeta }
    split /(%%|$conversion)/, $text;
  push @problems, "$where: not documented: \"$text\""
    unless grep { /$pattern/ } @documented;
}

print "$_\n" for @problems;
exit(@problems ? 1 : 0);
