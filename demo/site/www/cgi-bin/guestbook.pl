#!/usr/bin/perl
# A tiny guest book: shows the entries stored in guestbook.txt.
use strict;
use warnings;

my $file = 'guestbook.txt';
print "Content-Type: text/plain; charset=utf-8\n\n";

open(my $fh, '<', $file) or die "Cannot open $file: $!";
while (my $line = <$fh>) {
    chomp $line;
    next unless length $line;
    my ($name, $text) = split /\t/, $line, 2;
    printf "%-12s %s\n", $name, $text;
}
close $fh;
