#!/usr/bin/perl
# Reads the import tables of a PE file (i686 or x86_64) and prints one line per imported DLL:
#   static DLL FUNCTION...      an import the loader resolves before the program starts
#   delay DLL FUNCTION...       a delay-loaded import, resolved on first call
#   badslot DLL FUNCTION WHY    an import slot that the loader or the first call would trip over
# Used by scripts/check-imports, which judges these lines.
#
#   pe-imports.pl PROGRAM.exe
#
# GNU ld leaves the delay-import data directory empty for dlltool's delay libraries, so when it
# is empty the descriptors are found by their shape instead: attributes 1 (RVAs), the name RVA
# pointing at a "*.dll" string, the module handle, IAT and name table RVAs inside the image,
# and a zero time stamp. Every delay library contributes one such 32-byte record.
use strict; use warnings;
my $file = shift // die "usage: pe-imports.pl PROGRAM.exe\n";
open(my $fh, "<:raw", $file) or die "cannot open $file: $!\n";
local $/; my $img = <$fh>; close $fh;
die "$file: not a PE file\n" unless length($img) > 0x40 && substr($img, 0, 2) eq "MZ";
my $pe = unpack("V", substr($img, 0x3c, 4));
die "$file: not a PE file\n" unless substr($img, $pe, 4) eq "PE\0\0";
my ($nsec, $optsize) = (unpack("v", substr($img, $pe + 6, 2)), unpack("v", substr($img, $pe + 20, 2)));
my $opt = $pe + 24;
my $magic = unpack("v", substr($img, $opt, 2));
die "$file: unknown optional header\n" unless $magic == 0x20b || $magic == 0x10b;
my $pe64 = $magic == 0x20b;
my $ptr = $pe64 ? 8 : 4;
my $dirs = $opt + ($pe64 ? 112 : 96);
my @dir = map { [unpack("VV", substr($img, $dirs + 8 * $_, 8))] } 0 .. 15;
my @sec;
for my $i (0 .. $nsec - 1) {
  my $h = $opt + $optsize + 40 * $i;
  my ($vsize, $va, $rawsize, $raw) = unpack("VVVV", substr($img, $h + 8, 16));
  my $flags = unpack("V", substr($img, $h + 36, 4));
  push @sec, [$va, ($vsize > $rawsize ? $vsize : $rawsize), $raw, $rawsize, ($flags & 0x20000000) ? 1 : 0];
}
my $image_end = 0;
for (@sec) { my $e = $_->[0] + $_->[1]; $image_end = $e if $e > $image_end; }
sub off { my ($rva) = @_; for (@sec) {
    return $_->[2] + $rva - $_->[0] if $rva >= $_->[0] && $rva < $_->[0] + $_->[3]; }
  return undef; }
sub cstr { my ($rva) = @_; my $o = off($rva); return undef unless defined $o;
  my $end = index($img, "\0", $o); return undef if $end < 0; substr($img, $o, $end - $o); }
sub names { my ($rva) = @_; my @n; my $o = off($rva); return @n unless defined $o;
  for (;; $o += $ptr) {
    my ($lo, $hi) = unpack("VV", substr($img, $o, 8) . "\0" x 8);
    my $v = $ptr == 8 ? $lo + $hi * 4294967296 : $lo;
    last if $v == 0;
    my $ordinal = $ptr == 8 ? ($hi & 0x80000000) : ($lo & 0x80000000);
    if ($ordinal) { push @n, "#" . ($lo & 0xffff); next; }
    my $name = cstr($lo + 2); push @n, defined $name ? $name : "?";
  }
  return @n; }
my $in = sub { my ($rva) = @_; $rva > 0 && $rva < $image_end };
my $base = $pe64 ? unpack("V", substr($img, $opt + 24, 4)) + unpack("V", substr($img, $opt + 28, 4)) * 4294967296
                 : unpack("V", substr($img, $opt + 28, 4));
sub slot { my ($o) = @_; my ($lo, $hi) = unpack("VV", substr($img, $o, 8) . "\0" x 8);
  return $ptr == 8 ? $lo + $hi * 4294967296 : $lo; }
sub executable { my ($rva) = @_; for (@sec) {
    return $_->[4] if $rva >= $_->[0] && $rva < $_->[0] + $_->[3]; }
  return 0; }
# "badslot DLL function why" for every slot the loader or the first call would trip over.
my $check_slots = sub {
  my ($dll, $iat, $int, $delay) = @_;
  my ($io, $no) = (off($iat), off($int));
  unless (defined $io && defined $no) { print "badslot $dll - address or name table outside the file\n"; return; }
  for (my $i = 0;; $i++, $io += $ptr, $no += $ptr) {
    my $name_ref = slot($no);
    last if $name_ref == 0;
    my $ordinal = ($ptr == 8 ? int($name_ref / 4294967296) : $name_ref) & 0x80000000;
    my $name = $ordinal ? "#" . ($name_ref & 0xffff) : (cstr($name_ref + 2) // "?");
    my $value = slot($io);
    my $slot_rva = $iat + $i * $ptr;
    my $why;
    if ($value == 0) {
      $why = "zero";
    } elsif (!$delay) {
      $why = sprintf("holds %#x, not its name reference %#x", $value, $name_ref) if $value != $name_ref;
    } else {
      my $rva = $value - $base;
      if ($rva <= 0 || $rva >= $image_end || !executable($rva)) {
        $why = sprintf("points to %#x, outside the code of the image", $value);
      } else {
        my $c = off($rva);
        my $loads;
        if ($ptr == 8) {      # lea slot(%rip),%rax; jmp rel32
          $loads = substr($img, $c, 3) eq "\x48\x8d\x05"
            && $rva + 7 + unpack("l", substr($img, $c + 3, 4)) == $slot_rva ? 7 : 0;
        } else {               # mov $slot,%eax; jmp rel32
          $loads = substr($img, $c, 1) eq "\xb8"
            && unpack("V", substr($img, $c + 1, 4)) == $base + $slot_rva ? 5 : 0;
        }
        if (!$loads || substr($img, $c + $loads, 1) ne "\xe9") {
          $why = sprintf("points to code at %#x that is not its resolving stub", $value);
        } elsif (!executable($rva + $loads + 5 + unpack("l", substr($img, $c + $loads + 1, 4)))) {
          $why = "its stub jumps outside the code of the image";
        }
      }
    }
    print "badslot $dll $name $why\n" if defined $why;
  }
};

# Static imports: 20-byte descriptors up to an empty one.
if ($dir[1][0]) {
  my $o = off($dir[1][0]);
  while (defined $o) {
    my ($int, undef, undef, $name, $iat) = unpack("V5", substr($img, $o, 20));
    last unless $name;
    print join(" ", "static", cstr($name) // "?", names($int || $iat)), "\n";
    $check_slots->(cstr($name) // "?", $iat, $int || $iat, 0);
    $o += 20;
  }
}
# Delay imports: 32-byte descriptors.
my @delay;
if ($dir[13][0]) {
  my $o = off($dir[13][0]);
  while (defined $o) {
    my @d = unpack("V8", substr($img, $o, 32));
    last unless $d[1];
    push @delay, [@d];
    $o += 32;
  }
} else {
  for my $s (@sec) {
    for (my $p = $s->[2]; $p + 32 <= $s->[2] + $s->[3]; $p += 4) {
      next unless unpack("V", substr($img, $p, 4)) == 1;
      my @d = unpack("V8", substr($img, $p, 32));
      next unless $d[7] == 0 && $in->($d[1]) && $in->($d[2]) && $in->($d[3]) && $in->($d[4]);
      next unless ($d[5] == 0 || $in->($d[5])) && ($d[6] == 0 || $in->($d[6]));
      my $name = cstr($d[1]);
      next unless defined $name && $name =~ /^[A-Za-z0-9_.\-]+\.(dll|drv|ocx|cpl)$/i;
      push @delay, [@d];
    }
  }
}
for my $d (@delay) {
  # Attribute bit 0 clear: the old layout, with addresses instead of RVAs.
  die "$file: old-style delay-import descriptor\n" unless $d->[0] & 1;
  print join(" ", "delay", cstr($d->[1]) // "?", names($d->[4])), "\n";
  $check_slots->(cstr($d->[1]) // "?", $d->[3], $d->[4], 1);
}
